// NTFS boot sectors at candidate sectors, confirmed by the first four records of the master file table.
#include "filesystems/partitions/CPartitionNTFSSearchController.h"

#include "core/devices/CBasicPartitionDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/NtfsDeviceRead.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"
#include "filesystems/tree/FileSystemKind.h"

#include <string>
#include <vector>

bool CPartitionNTFSSearchController::IsBackupBootSector(const CNTFSDBR& boot, uint64_t sector)
{
    // The backup lies in the last sector of its partition, the total sectors after the first boot sector.
    const uint64_t total = boot.GetTotalSectors();
    if (total == 0 || sector < total) return false;
    std::vector<uint8_t> first;
    if (!NtfsReadBytesAt(m_disk, sector - total, CNTFSDBR::kSize, first)) return false;
    CNTFSDBR primary;
    if (!HasNtfsOemId(first) || !primary.Attach(first)) return false;
    return primary.GetTotalSectors() == total && primary.GetSerialNumber() == boot.GetSerialNumber() &&
           primary.GetMftCluster() == boot.GetMftCluster();
}

bool CPartitionNTFSSearchController::HasMetafilesAt(uint64_t sector, uint32_t recordBytes)
{
    std::vector<uint8_t> records;
    if (recordBytes == 0 || !NtfsReadBytesAt(m_disk, sector, 4 * size_t(recordBytes), records)) return false;
    const std::span<const uint8_t> all(records);
    const auto at = [&](int i) { return all.subspan(size_t(i) * recordBytes, recordBytes); };
    return IsMftRecord(at(0)) && IsMftMirrRecord(at(1)) && IsLogFileRecord(at(2)) && IsVolumeRecord(at(3));
}

int CPartitionNTFSSearchController::CheckSector(std::span<const uint8_t> bytes, uint64_t sector,
                                                CLostPartitionRecord& record)
{
    if (!m_disk || bytes.size() < CNTFSDBR::kSize || !HasNtfsOemId(bytes)) return 0;
    CNTFSDBR boot;
    if (!boot.Attach(bytes.first(CNTFSDBR::kSize))) return 0;
    // Sizes and cluster numbers count the boot sector's sectors; only a volume laid out in the disk's own
    // sector size is taken, so that they count the disk's sectors too.
    if (int32_t(boot.GetBytesPerSector()) != m_disk->GetSectorSize()) return 0;
    if (IsBackupBootSector(boot, sector)) return 0;

    const uint64_t diskSectors = m_disk->GetSectorCount();
    const uint64_t perCluster = boot.GetSectorsPerCluster();
    const uint32_t recordBytes = boot.GetBytesPerFileRecord();
    if (sector >= diskSectors || perCluster == 0) return 0;
    const uint64_t room = diskSectors - sector;
    // A cluster number past the disk is no table (and its sector would wrap around).
    const auto tableAt = [&](uint64_t cluster) -> bool {
        if (cluster >= room / perCluster) return false;
        return HasMetafilesAt(sector + cluster * perCluster, recordBytes);
    };
    if (!tableAt(boot.GetMftCluster()) && !tableAt(boot.GetMftMirrCluster())) return 0;

    const uint64_t count = ClampPartitionSize(boot.GetTotalSectors(), sector, diskSectors);
    record.u64StartSector = sector;
    record.u64SectorCount = count;
    record.nFileSystemKind = kFsKindNtfs;
    record.pDevice = new CBasicPartitionDevice(m_disk, sector, count);
    std::string label;
    CNtfsVolumeLabelReader(m_disk).ReadLabel(sector, boot, label);
    CopyFixedText(record.szLabel, label);
    return 1;
}
