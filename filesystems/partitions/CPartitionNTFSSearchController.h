// The NTFS test of the lost-partition search: an NTFS boot sector that is not the backup copy of a partition
// found earlier, whose master file table (or its mirror) begins with $MFT, $MFTMirr, $LogFile and $Volume.
#pragma once

#include "filesystems/partitions/IPartitionFileSystemSearchController.h"

class CNTFSDBR;

class CPartitionNTFSSearchController : public IPartitionFileSystemSearchController {
public:
    void SetDevice(IStorageDevice* disk) override { m_disk = disk; }
    int CheckSector(std::span<const uint8_t> bytes, uint64_t sector, CLostPartitionRecord& record) override;

    // Whether the four records at the sector are $MFT, $MFTMirr, $LogFile and $Volume, each of the boot
    // sector's record size.
    bool HasMetafilesAt(uint64_t sector, uint32_t recordBytes);

private:
    bool IsBackupBootSector(const CNTFSDBR& boot, uint64_t sector);

    IStorageDevice* m_disk = nullptr; // not owned
};
