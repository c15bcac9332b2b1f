// A FAT partition to build a tree of: found by scanning, or described for a known volume by the
// directory-build runner. Adds the FAT geometry and the evidence and option flags to the found-partition record.
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"

#include <cstdint>

// Flag bits (GetFlags / AddFlags).
enum : uint32_t {
    kFATFlagFAT12Boot = 0x01,       // made from a FAT12 boot sector
    kFATFlagFAT16Boot = 0x02,       // made from a FAT16 boot sector
    kFATFlagFAT32Boot = 0x04,       // made from a FAT32 boot sector
    kFATFlagFAT32BackupBoot = 0x08, // made from, or confirmed by, the FAT32 backup boot sector at start + 6
    kFATFlagFromFolders = 0x10,
    kFATFlagFromFiles = 0x20,
    kFATFlagFoundFAT1 = 0x40,
    kFATFlagUseFAT1 = 0x80,
    kFATFlagFoundFAT2 = 0x100,
    kFATFlagUseFAT2 = 0x200,
    kFATFlagsPrimaryBoot = kFATFlagFAT12Boot | kFATFlagFAT16Boot | kFATFlagFAT32Boot,
    kFATFlagsAnyBoot = kFATFlagsPrimaryBoot | kFATFlagFAT32BackupBoot,
};

class CFATSearchedPartitionInfo : public CSearchedPartitionInfo {
public:
    explicit CFATSearchedPartitionInfo(unsigned sectorSize = 512) : CSearchedPartitionInfo(sectorSize) {}

    int GetKind() const override { return kSearchedPartitionFAT; }
    // The base form, then reserved sectors (2), sectors per FAT (4), cluster count (4), root (4), flags (4).
    void Save(IRSData* stream) const override;
    void Load(IRSData* stream) override;

    uint16_t GetReservedSectors() const { return m_reservedSectors; }
    void SetReservedSectors(uint16_t value) { m_reservedSectors = value; }
    uint32_t GetSectorsPerFAT() const { return m_sectorsPerFAT; }
    void SetSectorsPerFAT(uint32_t value) { m_sectorsPerFAT = value; }
    uint32_t GetClusterCount() const { return m_clusterCount; }
    void SetClusterCount(uint32_t value) { m_clusterCount = value; }
    // Root-directory sectors for FAT12/16, first cluster of the root directory for FAT32.
    uint32_t GetRoot() const { return m_root; }
    void SetRoot(uint32_t value) { m_root = value; }
    uint32_t GetFlags() const { return m_flags; }
    void AddFlags(uint32_t flags) { m_flags |= flags; }
    void ClearFlags(uint32_t flags) { m_flags &= ~flags; }

private:
    uint16_t m_reservedSectors = 0;
    uint32_t m_sectorsPerFAT = 0;
    uint32_t m_clusterCount = 0;
    uint32_t m_root = 0;
    uint32_t m_flags = 0;
};

// A new record with every FAT field 0 for the given sector size.
CFATSearchedPartitionInfo* NewFATSearchedPartitionInfo(unsigned sectorSize);
