// Properties of a file or folder found on an ext2 or ext3 volume: name, size, folder and sparse attributes,
// the three inode times, the deleted state, its runs packed, its inode number, and the names that entries of
// a folder give to inodes the walk has not reached yet.
#pragma once

#include "filesystems/tree/CFoundFileProperties.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class CExt2FileProperties : public CFoundFileProperties {
public:
    // Longest name the stream form accepts back.
    static constexpr uint16_t kMaxStoredName = 1024;

    CExt2FileProperties() = default;

    // Name length (2), name, size (8), attributes (2), creation, modification and access times (8 each),
    // state (1), then 1 (4) and the packed runs, or 0 (4) without runs.
    int Write(IRSData* stream) const override;
    int GetPropertiesType() const override { return kPropertiesExt2; }
    // A name longer than kMaxStoredName throws CRSException code 2. Check state and user flag become 0.
    int Read(IRSData* stream) override;

    uint32_t GetInodeNumber() const { return m_inode; }
    void SetInodeNumber(uint32_t inode) { m_inode = inode; }

    // The name an entry of this folder gives to an inode that the walk has not met yet.
    void AddPendingName(uint32_t inode, const std::string& name);
    // That name, removed; empty when there is none.
    std::string TakePendingName(uint32_t inode);

private:
    // Made on first use and dropped when it empties.
    std::unique_ptr<std::map<uint32_t, std::string>> m_pendingNames;
    uint32_t m_inode = 0;
};

CExt2FileProperties* NewExt2FileProperties();
