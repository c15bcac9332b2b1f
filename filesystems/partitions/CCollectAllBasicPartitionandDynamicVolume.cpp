// The whole volume collection and its order.
#include "filesystems/partitions/CCollectAllBasicPartitionandDynamicVolume.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/partitions/CCollectBasicVolume.h"
#include "filesystems/partitions/CCollectDynamicVolume.h"
#include "filesystems/partitions/CCollectFloppyDiskDevice.h"
#include "filesystems/partitions/CElapsedTimeLog.h"

void CCollectAllBasicPartitionandDynamicVolume::CollectAllBasicPartitionandDynamicVolume(
    const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes)
{
    if (disks.empty()) return;
    CElapsedTimeLog timer("CCollectAllBasicPartitionandDynamicVolume::CollectAllBasicPartitionandDynamicVolume");
    CCollectBasicVolume().CollectBasicVolume(disks, volumes);
    CCollectDynamicVolume().CollectDynamicVolume(disks, volumes);
    CCollectFloppyDiskDevice().CollectFloppyDiskDevice(volumes);
    sort(volumes);
}

void CCollectAllBasicPartitionandDynamicVolume::sort(CVolumeDeviceRecordList& volumes)
{
    CElapsedTimeLog timer("CCollectAllBasicPartitionandDynamicVolume::sort");
    // Letters compare as signed characters, so the unlettered records (0) come first here.
    volumes.sort([](const VolumeDeviceRecord& a, const VolumeDeviceRecord& b) {
        return static_cast<signed char>(a.cDriveLetter) < static_cast<signed char>(b.cDriveLetter);
    });
    for (size_t turns = volumes.size(); turns > 0 && volumes.front().cDriveLetter == 0; --turns)
        volumes.splice(volumes.end(), volumes, volumes.begin());
}

void ReleaseCollectedDevices(CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes)
{
    for (VolumeDeviceRecord& record : volumes) {
        delete record.pDevice;
        record.pDevice = nullptr;
    }
    volumes.clear();
    for (IStorageDevice* disk : disks) delete disk;
    disks.clear();
}
