// The ext2/ext3 test of the lost-partition search: a primary superblock 1024 bytes after the candidate
// sector from which the whole file system opens.
#pragma once

#include "filesystems/partitions/IPartitionFileSystemSearchController.h"

class CPartitionEXT2SearchController : public IPartitionFileSystemSearchController {
public:
    void SetDevice(IStorageDevice* disk) override { m_disk = disk; }
    int CheckSector(std::span<const uint8_t> bytes, uint64_t sector, CLostPartitionRecord& record) override;

private:
    IStorageDevice* m_disk = nullptr; // not owned
};
