// Collects the volumes of dynamic disks into volume records. Until the dynamic-disk database can be read
// this adds nothing; the log lines are already written as the full collection writes them.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"

class CCollectDynamicVolume {
public:
    void CollectDynamicVolume(const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes);
};
