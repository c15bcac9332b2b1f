// The FAT test of the lost-partition search: a FAT12, FAT16 or FAT32 boot sector whose first table copy
// starts where its reserved sectors end.
#pragma once

#include "filesystems/partitions/IPartitionFileSystemSearchController.h"

class CPartitionFATSearchController : public IPartitionFileSystemSearchController {
public:
    void SetDevice(IStorageDevice* disk) override;
    int CheckSector(std::span<const uint8_t> bytes, uint64_t sector, CLostPartitionRecord& record) override;

private:
    IStorageDevice* m_disk = nullptr; // not owned
    int32_t m_sectorSize = 512;
};
