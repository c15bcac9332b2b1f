// The file allocation table family: one loaded copy of a FAT12, FAT16 or FAT32 table (with the checks that
// decide whether a copy can be trusted), and the pair of copies a build reads next-cluster values from.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class IStorageDevice;

// Answers the cluster that follows a given one: 0 when nothing is known, 0x0FFFFFF7 for a bad cluster,
// 0x0FFFFFF8 and above for the end of a chain (fat::IsChainEnd). Read-only after construction, so one table
// may be asked from several threads.
class IFATTable {
public:
    virtual ~IFATTable() = default;
    virtual uint32_t GetNextCluster(uint32_t cluster) const = 0;
};

// One copy of the table, read with a single device request when its size is plausible for its width.
class IRealFATTable : public IFATTable {
public:
    // Entry width in bits: 12, 16 or 32.
    IRealFATTable(IStorageDevice* device, uint64_t firstSector, uint32_t sectorsPerFAT, unsigned entryBits);
    // A copy decoded from bytes already in memory (the table's whole sectors).
    IRealFATTable(std::vector<uint8_t> tableBytes, int32_t sectorSize, unsigned entryBits);

    // Loaded, carrying its width's signature, and (FAT16/32) every entry plausible with no cluster reached
    // from two others and no loop.
    virtual bool IsValid() const = 0;

    bool IsLoaded() const { return m_loaded; }
    uint32_t GetEntryCount() const { return m_entryCount; }
    uint64_t GetFirstSector() const { return m_firstSector; }
    uint32_t GetSectorsPerFAT() const { return m_sectorsPerFAT; }

protected:
    const uint8_t* Data() const { return m_table.data(); }
    size_t ByteCount() const { return m_table.size(); }

private:
    bool Plausible(unsigned entryBits) const;

    uint64_t m_firstSector = 0;
    uint32_t m_sectorsPerFAT = 0;
    int32_t m_sectorSize = 512;
    uint32_t m_entryCount = 0;
    std::vector<uint8_t> m_table;
    bool m_loaded = false;
};

class CFAT12Table : public IRealFATTable {
public:
    CFAT12Table(IStorageDevice* device, uint64_t firstSector, uint32_t sectorsPerFAT)
        : IRealFATTable(device, firstSector, sectorsPerFAT, 12)
    {
    }
    CFAT12Table(std::vector<uint8_t> tableBytes, int32_t sectorSize)
        : IRealFATTable(std::move(tableBytes), sectorSize, 12)
    {
    }
    uint32_t GetNextCluster(uint32_t cluster) const override;
    bool IsValid() const override;
};

class CFAT16Table : public IRealFATTable {
public:
    CFAT16Table(IStorageDevice* device, uint64_t firstSector, uint32_t sectorsPerFAT)
        : IRealFATTable(device, firstSector, sectorsPerFAT, 16)
    {
    }
    CFAT16Table(std::vector<uint8_t> tableBytes, int32_t sectorSize)
        : IRealFATTable(std::move(tableBytes), sectorSize, 16)
    {
    }
    uint32_t GetNextCluster(uint32_t cluster) const override;
    bool IsValid() const override;
};

class CFAT32Table : public IRealFATTable {
public:
    CFAT32Table(IStorageDevice* device, uint64_t firstSector, uint32_t sectorsPerFAT)
        : IRealFATTable(device, firstSector, sectorsPerFAT, 32)
    {
    }
    CFAT32Table(std::vector<uint8_t> tableBytes, int32_t sectorSize)
        : IRealFATTable(std::move(tableBytes), sectorSize, 32)
    {
    }
    // The lower 28 bits of the entry; the upper four are reserved and never part of a cluster number.
    uint32_t GetNextCluster(uint32_t cluster) const override;
    bool IsValid() const override;
};

// Up to two copies, either possibly absent; the first present one answers.
class CDoubleFATTable : public IFATTable {
public:
    CDoubleFATTable(std::unique_ptr<IRealFATTable> first, std::unique_ptr<IRealFATTable> second);
    uint32_t GetNextCluster(uint32_t cluster) const override;
    const IRealFATTable* GetFirstCopy() const { return m_first.get(); }
    const IRealFATTable* GetSecondCopy() const { return m_second.get(); }

private:
    std::unique_ptr<IRealFATTable> m_first;
    std::unique_ptr<IRealFATTable> m_second;
};

// The copy at firstFATSector when useFirst is set and it is valid; otherwise, when useSecond is set, the copy
// at firstFATSector + sectorsPerFAT when it is valid; otherwise no copy, and every lookup answers 0. At most
// one copy is kept. fatType: 0 FAT12, 1 FAT16, 2 FAT32 (anything else gives no copy).
std::unique_ptr<CDoubleFATTable> CreateDoubleFATTable(IStorageDevice* device, uint64_t firstFATSector, int fatType,
                                                      uint32_t sectorsPerFAT, bool useFirst, bool useSecond);

// The media descriptors a FAT volume may carry (boot sector byte 0x15 and the low byte of entry 0): 0xF0 and
// 0xF8 to 0xFF.
bool IsFATMediaByte(unsigned media);
// The first sector of a copy: entry 0 holds a media byte with every other bit set, entry 1 an end mark (its
// upper two bits, the volume's dirty and error flags, may be clear on FAT16 and FAT32). When media is a media
// byte (the boot sector's descriptor), entry 0 must carry that one; otherwise any media byte is accepted.
bool IsFAT32TableStart(std::span<const uint8_t> sector, int media = -1);
bool IsFAT16TableStart(std::span<const uint8_t> sector, int media = -1);
bool IsFAT16or32TableStart(std::span<const uint8_t> sector, int media = -1);
bool IsFAT12TableStart(std::span<const uint8_t> sector, int media = -1);
// The test of the given width (kFsKindFat12, kFsKindFat16 or kFsKindFat32; false for any other).
bool IsFATTableStart(std::span<const uint8_t> sector, int fatType, int media = -1);

// The structure test shared by the FAT16 and FAT32 copies, linear in the entry count. entry(i) gives entry i
// of n (masked to its width); limit is the first value that is not a cluster (0xFFF7 or 0x0FFFFFF7). False
// when an entry points to itself, holds 1, points past the table below the limit, when two clusters lead to
// the same one, or when a chain loops.
template <class Entry>
bool CheckFATChains(uint32_t n, uint32_t limit, Entry entry)
{
    if (n <= 2) return true;
    const size_t words = (size_t(n) + 63) / 64;
    std::vector<uint64_t> reached(words, 0); // some cluster leads here
    std::vector<uint64_t> walked(words, 0);  // passed while following a chain from its head
    auto test = [](const std::vector<uint64_t>& bits, uint32_t i) { return (bits[i >> 6] >> (i & 63)) & 1; };
    auto set = [](std::vector<uint64_t>& bits, uint32_t i) { bits[i >> 6] |= uint64_t(1) << (i & 63); };
    auto isLink = [&](uint32_t v) { return v >= 2 && v < n && v < limit; };

    for (uint32_t i = 2; i < n; ++i) {
        const uint32_t v = entry(i);
        if (v == 1 || v == i || (v >= n && v < limit)) return false;
        if (isLink(v)) {
            if (test(reached, v)) return false;
            set(reached, v);
        }
    }
    // Every cluster has at most one predecessor now, so chains are disjoint: walking each from its head
    // touches every cluster once, and a link never passed lies on a loop.
    for (uint32_t i = 2; i < n; ++i) {
        if (test(reached, i)) continue;
        for (uint32_t c = i, v = entry(c); isLink(v); c = v, v = entry(c)) set(walked, c);
    }
    for (uint32_t i = 2; i < n; ++i) {
        if (isLink(entry(i)) && !test(walked, i)) return false;
    }
    return true;
}
