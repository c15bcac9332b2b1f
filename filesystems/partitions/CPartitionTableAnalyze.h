// Reads the partition table of a device (an MBR with its chain of extended boot records, or the GUID
// partition table behind a protective MBR) into entries with window devices. The size a file system at an
// entry's start states replaces the table's, and when the two disagree by two cylinders or more both
// readings are listed. Disks that carry a dynamic-disk entry give no entries.
//
// MBR and EBR sector: 446 four entries of 16 bytes, 510 0x55 0xAA. Entry: 0 boot indicator (0x00 or 0x80),
//   4 partition type, 8 first sector (u32), 12 sector count (u32). Links of an EBR count from the start of
//   the extended partition, its data entries from the EBR itself.
// GPT entry array: from sector 2, 128 entries of 128 bytes: 0 type GUID, 32 first LBA (u64), 40 last LBA
//   (u64, inclusive).
#pragma once

#include "core/bytes/ParseStatus.h"
#include "filesystems/partitions/CBasicPartitionInfo.h"

#include <cstdint>
#include <set>
#include <span>

class IStorageDevice;

// One call reads one device; the object keeps only the verdict of its last call.
class CPartitionTableAnalyze {
public:
    static constexpr uint8_t kTypeDynamic = 0x42;
    static constexpr uint8_t kTypeGptProtective = 0xEE;
    // Tables with absurd chains of extended boot records stop here.
    static constexpr size_t kMaxExtendedBootRecords = 4096;
    // Two cylinders of 255 heads and 63 sectors.
    static constexpr int64_t kSizeDisagreement = 32130;

    virtual ~CPartitionTableAnalyze() = default;

    // Appends the device's entries to list; returns the list's size afterwards. GetResult then tells whether
    // every table sector was read (IoFailure: a sector of the table could not be read, so the list may miss
    // entries; Corrupt: an extended boot record in the chain had no valid signature and was skipped).
    int ReadPartitions(IStorageDevice* device, CBasicPartitionList& list);
    const bytes::ParseResult& GetResult() const { return m_result; }

    static bool IsExtendedType(uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

    struct MbrEntry {
        uint8_t bootIndicator = 0;
        uint8_t type = 0;
        uint32_t firstSector = 0;
        uint32_t sectorCount = 0;
        bool empty = true;
    };
    struct MbrSector {
        bool signature = false; // 0x55 0xAA at byte 510
        bool valid = false;     // the signature and four boot indicators of 0x00 or 0x80
        MbrEntry entries[4];
    };
    // The four entries and the signature of an MBR or EBR sector (at least 512 bytes; fewer give an empty,
    // invalid sector).
    static MbrSector DecodeMbrSector(std::span<const uint8_t> sector);

private:
    // Reads and decodes one sector; a failed read gives an empty sector and is counted in the result.
    MbrSector ReadMbrSector(IStorageDevice* device, uint64_t sector);
    void CountFailedRead(uint64_t sector, uint64_t count);
    bool HasDynamicPartitionEntry(const MbrSector& mbr) const;
    bool IsProtectiveGptDisk(const MbrSector& mbr) const;
    void ReadGptPartitions(IStorageDevice* device, CBasicPartitionList& list);
    void AddGptPartition(IStorageDevice* device, uint64_t firstLba, uint64_t lastLba, CBasicPartitionList& list);
    void ReadMbrPartitions(IStorageDevice* device, const MbrSector& mbr, CBasicPartitionList& list);
    void AddWholeDeviceVolume(IStorageDevice* device, CBasicPartitionList& list);
    void ReadMbrChain(IStorageDevice* device, const MbrSector& mbr, CBasicPartitionList& list);
    void ReadExtendedChain(IStorageDevice* device, uint64_t base, CBasicPartitionList& list,
                           std::set<uint64_t>& visited);
    void AddPartition(IStorageDevice* device, const MbrEntry& entry, uint64_t relativeBase, CBasicPartitionList& list);

    bytes::ParseResult m_result;
};
