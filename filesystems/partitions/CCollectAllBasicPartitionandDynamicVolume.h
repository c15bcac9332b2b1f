// The volume list of the device pages: basic partitions, dynamic volumes and floppies of the collected
// disks, sorted by drive letter with the unlettered volumes last.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"

class CCollectAllBasicPartitionandDynamicVolume {
public:
    // Nothing at all (not even floppies) when the disk list is empty.
    void CollectAllBasicPartitionandDynamicVolume(const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes);
    // Lettered records by letter, then the unlettered ones in the order they came; equal letters keep theirs.
    static void sort(CVolumeDeviceRecordList& volumes);
};

// Deletes the device of every volume record and every disk device, then empties both lists. The records'
// windows are deleted before the disks they read.
void ReleaseCollectedDevices(CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes);
