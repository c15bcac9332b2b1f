// Properties of a file or folder found on a FAT volume: what its directory entry tells (name, size,
// attributes, DOS times, deleted state), its first cluster and its parent directory's, and its runs packed.
// Also how an entry with its long-name pieces becomes such properties.
#pragma once

#include "filesystems/tree/CFoundFileProperties.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class CFATDirEntry;

// First-cluster and parent-cluster value of the folders the build makes itself ("Lost Folders", folders of
// lost clusters) and of a partition node's parent.
constexpr uint32_t kFATNoCluster = 0xFFFFFFFF;

class CFATFileProperties : public CFoundFileProperties {
public:
    // Longest name the stream form accepts back (a FAT long name is at most 255 UTF-16 units).
    static constexpr uint16_t kMaxStoredName = 1024;

    CFATFileProperties() = default;

    // Name length (2), short-name length (2), both texts, size (8), attributes (2), three times (8 each),
    // state (1), first cluster (4), parent cluster (4), runs present (4), the packed runs when present.
    int Write(IRSData* stream) const override;
    int GetPropertiesType() const override { return kPropertiesFAT; }
    // A name longer than kMaxStoredName throws CRSException code 2. Check state and user flag become 0.
    int Read(IRSData* stream) override;

    uint32_t GetFirstCluster() const { return m_firstCluster; }
    void SetFirstCluster(uint32_t cluster) { m_firstCluster = cluster; }
    uint32_t GetParentCluster() const { return m_parentCluster; }
    void SetParentCluster(uint32_t cluster) { m_parentCluster = cluster; }
    // DOS date and time as stored (local time, kept as it is); an impossible date or time stores 0.
    void SetCreationTime(uint16_t dosDate, uint16_t dosTime);
    void SetModificationTime(uint16_t dosDate, uint16_t dosTime);
    void SetAccessDate(uint16_t dosDate);
    void ClearCreationTime() { m_creationTime = 0; }
    void ClearModificationTime() { m_modificationTime = 0; }
    void ClearAccessTime() { m_accessTime = 0; }
    const std::string& GetShortName() const { return m_shortName; }

private:
    std::string m_shortName; // kept in the stream form; nothing fills it
    uint32_t m_firstCluster = 0;
    uint32_t m_parentCluster = 0;
};

CFATFileProperties* NewFATFileProperties();

// DOS date and time to a FILETIME of the same wall-clock value; false (and 0) for an impossible value,
// date 0 included.
bool DosDateTimeToFileTime(uint16_t dosDate, uint16_t dosTime, FILETIME& out);

// Properties from entries that end in a short entry: the long name gathered from the pieces before it when
// there are any and it is a usable name, otherwise the 8.3 name. Null when no short entry is in the bytes or
// when the name is refused by the listing filters.
std::unique_ptr<CFATFileProperties> MakeFATFileProperties(std::span<const uint8_t> entries);

// Properties from a chosen name and the short entry. Null for an empty name, when the extension filter of
// listings refuses a file's name, or in photo mode for a file whose extension is not a media one.
std::unique_ptr<CFATFileProperties> NewFATFilePropertiesFromEntry(const std::string& name, const CFATDirEntry& entry);
