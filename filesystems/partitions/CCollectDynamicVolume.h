// Collects the volumes of dynamic disks into volume records: one record per volume that the dynamic-disk
// databases of the disks describe, its device a dynamic volume device over the collected disks.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"

class CCollectDynamicVolume {
public:
    void CollectDynamicVolume(const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes);
};
