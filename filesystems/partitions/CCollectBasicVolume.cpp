// Basic-partition collection.
#include "filesystems/partitions/CCollectBasicVolume.h"

#include "core/filetypes/FixedText.h"
#include "filesystems/partitions/CPartitionTableAnalyze.h"
#include "filesystems/partitions/DiskDescriptionText.h"
#include "filesystems/partitions/DriveLayout.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "platform/DiskIdentity.h"
#include "platform/Log.h"

#include <cinttypes>
#include <cstring>

VolumeDeviceRecord MakeBasicVolumeRecord(CBasicPartitionInfo& entry, IStorageDevice* disk, bool usb,
                                         const std::string& diskText)
{
    VolumeDeviceRecord record;
    record.nKind = VolumeDeviceRecord::kKindVolume;
    record.nDynamic = 0;
    record.nFileSystemKind = entry.nFileSystemKind;
    record.cDriveLetter = entry.cDriveLetter;
    std::memcpy(record.szLabel, entry.szLabel, sizeof record.szLabel);
    record.szLabel[sizeof record.szLabel - 1] = '\0';
    record.bUsb = usb ? 1 : 0;
    if (entry.pWindow) {
        record.members[0] = {entry.pWindow->GetStartSector(), entry.pWindow->GetSectorCount(), disk};
        record.pDevice = entry.pWindow.release();
    }
    CopyFixedText(record.szMemberText, diskText);
    return record;
}

void CCollectBasicVolume::CollectBasicVolume(const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes)
{
    LogInfo("%sbegin collect basic volume%s", std::string(29, '-').c_str(), std::string(35, '-').c_str());
    LogInfo("DriverLetter   FileSystem  StartSector     TotalSectors     ParentDisk: Disk      VolumeLabel\r\n");
    for (IStorageDevice* disk : disks) {
        CBasicPartitionList entries;
        if (CPartitionTableAnalyze().ReadPartitions(disk, entries) == 0) continue;
        ReadDriveLayout(disk, entries);
        int32_t busType = 0;
        const std::string diskText = GetDiskDescriptionText(disk, &busType);
        const auto* diskDevice = dynamic_cast<const CDiskDevice*>(disk);
        const int diskIndex = diskDevice ? diskDevice->GetDiskIndex() : -1;
        for (CBasicPartitionInfo& entry : entries) {
            if (!entry.pWindow) continue;
            const VolumeDeviceRecord& record =
                volumes.emplace_back(MakeBasicVolumeRecord(entry, disk, busType == plat::kBusUsb, diskText));
            LogInfo("%c  %16s  %16" PRId64 "  %16" PRId64 "  %16d  %20s\r\n",
                    record.cDriveLetter ? record.cDriveLetter : '*', GetFileSystemName(record.nFileSystemKind),
                    int64_t(record.members[0].u64FirstSector), int64_t(record.members[0].u64SectorCount), diskIndex,
                    record.szLabel);
        }
    }
    LogInfo("%send collect basic volume%s\r\n", std::string(29, '-').c_str(), std::string(35, '-').c_str());
}
