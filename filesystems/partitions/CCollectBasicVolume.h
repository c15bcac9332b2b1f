// Collects the basic partitions of the disks: one volume record per partition-table entry, with its window
// device, file system, label, drive letter and disk.
#pragma once

#include "filesystems/partitions/CBasicPartitionInfo.h"
#include "filesystems/partitions/DeviceRecords.h"

class CCollectBasicVolume {
public:
    // Appends the records of every disk in list order, each disk's in table order.
    void CollectBasicVolume(const CStorageDeviceList& disks, CVolumeDeviceRecordList& volumes);
};

// The record of one entry of a disk's table; takes the entry's window device.
VolumeDeviceRecord MakeBasicVolumeRecord(CBasicPartitionInfo& entry, IStorageDevice* disk, bool usb,
                                         const std::string& diskText);
