// Properties of a file or folder found on NTFS: name, size, attributes, times, deleted state, the sector of
// its FILE record, its $DATA runs kept packed, and the extension records of that FILE record.
#pragma once

#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/tree/CFoundFileProperties.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/PackedDataRun.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Not safe to share between threads (a tree is used by one thread at a time).
class CNTFSFileProperties : public CFoundFileProperties {
public:
    // Bound on the extension-record count of a stored form (a damaged count throws code 2).
    static constexpr uint64_t kMaxStoredExtensions = 1u << 16;

    CNTFSFileProperties() = default;

    int GetNameLength() const override { return m_nameLength; }
    // Copies the text; the stored length then counts the terminating zero. Null leaves the name as it was.
    void SetName(const char* name) override;
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
    // Unpacked from the packed runs; null without them. The caller deletes it.
    IDataRunList* GetDataRunList() const override;
    int GetValidMask() const override { return 0xFF; }
    int GetUserFlag() const override { return m_userFlag; }
    int SetUserFlag(int flag) override;
    // Name length (2) and the name bytes, size (8), attributes (2), three times (8 each), state (1), record
    // sector (8), 4 bytes 1 and the packed runs or 4 bytes 0, the extension count (8) and per entry its
    // sector (8) and reference (8). Check state and user flag are not stored.
    int Write(IRSData* stream) const override;
    int GetPropertiesType() const override { return kPropertiesNTFS; }
    int Read(IRSData* stream) override;

    uint64_t GetRecordSector() const { return m_recordSector; }
    void SetSize(uint64_t size) { m_size = size; }
    const std::vector<CNTFSExtensionEntry>& GetExtensionRecords() const { return m_extensions; }
    void SetExtensionRecords(std::vector<CNTFSExtensionEntry> entries) { m_extensions = std::move(entries); }
    const PackedDataRun* GetPackedRuns() const { return m_runs.get(); }

    // For the builders: the name as converted, whose length does not count a terminator.
    void SetBuiltName(std::string name);
    void SetAttributes(uint16_t attributes) { m_attributes = attributes; }
    void SetTimes(FILETIME creation, FILETIME modification, FILETIME access);
    void SetState(uint8_t state) { m_state = state; }
    void SetRecordSector(uint64_t sector) { m_recordSector = sector; }
    void SetPackedRuns(std::unique_ptr<PackedDataRun> runs) { m_runs = std::move(runs); }

private:
    std::string m_name;
    uint16_t m_nameLength = 0;
    uint8_t m_checkState = 0;
    uint8_t m_userFlag = 0;
    uint64_t m_recordSector = 0;
    std::unique_ptr<PackedDataRun> m_runs;
    std::vector<CNTFSExtensionEntry> m_extensions;
};

// Empty properties ready for Read; the caller owns them.
CNTFSFileProperties* NewNTFSFileProperties();
