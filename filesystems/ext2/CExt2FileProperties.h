// Properties of a file or folder found on an ext2 or ext3 volume: name, size, folder and sparse attributes,
// the three inode times, the deleted state, its runs packed, its inode number, and the names that entries of
// a folder give to inodes the walk has not reached yet.
#pragma once

#include "filesystems/tree/CFoundFileProperties.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/PackedDataRun.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class CExt2FileProperties : public CFoundFileProperties {
public:
    // Longest name the stream form accepts back.
    static constexpr uint16_t kMaxStoredName = 1024;

    CExt2FileProperties() = default;

    int GetNameLength() const override { return int(m_name.size()); }
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
    int SetUserFlag(int flag) override;
    // Name length (2), name, size (8), attributes (2), creation, modification and access times (8 each),
    // state (1), then 1 (4) and the packed runs, or 0 (4) without runs.
    int Write(IRSData* stream) const override;
    int GetPropertiesType() const override { return kPropertiesExt2; }
    // A name longer than kMaxStoredName throws CRSException code 2. Check state and user flag become 0.
    int Read(IRSData* stream) override;

    void SetSize(uint64_t size) { m_size = size; }
    void SetAttributes(uint16_t attributes) { m_attributes = attributes; }
    void SetTimes(FILETIME creation, FILETIME modification, FILETIME access);
    void SetState(uint8_t state) { m_state = state; }
    // Packs the list (null or empty: no runs).
    void SetRunList(const IDataRunList* list) { m_runs = PackDataRunList(list); }
    bool HasRuns() const { return m_runs != nullptr; }
    uint32_t GetInodeNumber() const { return m_inode; }
    void SetInodeNumber(uint32_t inode) { m_inode = inode; }

    // The name an entry of this folder gives to an inode that the walk has not met yet.
    void AddPendingName(uint32_t inode, const std::string& name);
    // That name, removed; empty when there is none.
    std::string TakePendingName(uint32_t inode);

private:
    std::string m_name;
    uint8_t m_checkState = 0;
    uint8_t m_userFlag = 0;
    std::unique_ptr<PackedDataRun> m_runs;
    // Made on first use and dropped when it empties.
    std::unique_ptr<std::map<uint32_t, std::string>> m_pendingNames;
    uint32_t m_inode = 0;
};

CExt2FileProperties* NewExt2FileProperties();
