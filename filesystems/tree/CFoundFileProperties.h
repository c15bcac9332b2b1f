// The base of the found-file properties of NTFS, FAT, ext2 and RAW: the fields they all keep with their
// accessors, the check state and user flag the tree sets, the packed runs, and the stored pieces they share.
#pragma once

#include "filesystems/tree/FoundFileFields.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/PackedDataRun.h"

#include <cstdint>
#include <memory>
#include <string>

// A kind writes its name before the shared block of fields and its extras after it; RAW properties store
// their own subset (they have no times).
class CFoundFileProperties : public IFileProperties {
public:
    int GetNameLength() const override { return int(m_name.size()); }
    // Null stores an empty name.
    void SetName(const char* name) override { m_name = name ? name : ""; }
    const char* GetName() const override { return m_name.c_str(); }
    uint64_t GetSize() const override { return m_size; }
    uint16_t GetAttributes() const override { return m_attributes; }
    std::string GetDescription() const override { return {}; }
    FILETIME GetCreationTime() const override { return m_creationTime; }
    FILETIME GetModificationTime() const override { return m_modificationTime; }
    FILETIME GetAccessTime() const override { return m_accessTime; }
    uint16_t GetState() const override { return m_state; }
    uint8_t GetCheckState() const override { return m_checkState; }
    void SetCheckState(uint8_t state) override { m_checkState = state; }
    // Unpacked from the packed runs; null without runs. The caller deletes it.
    IDataRunList* GetDataRunList() const override;
    // Name, size, attributes, the three times, state and check state.
    int GetValidMask() const override { return 0xFF; }
    int GetUserFlag() const override { return m_userFlag; }
    // Returns the previous flag.
    int SetUserFlag(int flag) override;

    void SetSize(uint64_t size) { m_size = size; }
    void SetAttributes(uint16_t attributes) { m_attributes = attributes; }
    void SetState(uint8_t state) { m_state = state; }
    void SetTimes(FILETIME creation, FILETIME modification, FILETIME access);
    // Packs the list (null or empty: no runs).
    void SetRunList(const IDataRunList* list) { m_runs = PackDataRunList(list); }
    void SetPackedRuns(std::unique_ptr<PackedDataRun> runs) { m_runs = std::move(runs); }
    bool HasRuns() const { return m_runs != nullptr; }
    const PackedDataRun* GetPackedRuns() const { return m_runs.get(); }

protected:
    FoundFileFields Fields() const
    {
        return {m_size, m_attributes, m_creationTime, m_modificationTime, m_accessTime, m_state};
    }
    // 4 bytes 1 and the packed runs, or 4 bytes 0 without runs.
    void WriteRuns(IRSData* stream) const;
    static std::unique_ptr<PackedDataRun> ReadRuns(IRSData* stream);
    // Takes what a stored record held, once all of it was read (so a failed read leaves the old values);
    // check state and user flag are not stored and become 0.
    void TakeStored(const FoundFileFields& fields, std::unique_ptr<PackedDataRun> runs);

    std::string m_name;
    uint64_t m_size = 0;
    FILETIME m_creationTime = 0;
    FILETIME m_modificationTime = 0;
    FILETIME m_accessTime = 0;
    std::unique_ptr<PackedDataRun> m_runs;
    uint16_t m_attributes = 0;
    uint8_t m_state = 0;
    uint8_t m_checkState = 0;
    uint8_t m_userFlag = 0;
};
