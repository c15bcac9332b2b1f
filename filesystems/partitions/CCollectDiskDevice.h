// Collects the machine's disks: every disk index that opens becomes a CDiskDevice in the disk list; the
// disks are logged in a table and reported to the optional usage module.
#pragma once

#include "app/shell/UsageEvents.h"
#include "core/devices/CDiskDevice.h"
#include "filesystems/partitions/DeviceRecords.h"

#include <functional>
#include <memory>

// No state; runs on the device-refresh worker.
class CCollectDiskDevice {
public:
    static constexpr int kMaxDiskIndexes = 32;
    using DiskMaker = std::function<std::unique_ptr<CDiskDevice>(int diskIndex)>;

    // Appends the open disks of indexes 0 to 31 in index order; the caller owns them.
    void CollectDiskDevice(CStorageDeviceList& disks);
    // The same with disks made by make (tests give their own disks).
    void CollectDiskDevice(CStorageDeviceList& disks, const DiskMaker& make);
};

// What the usage module is told of one disk: product id, total sectors, bytes per sector, bus type.
UsageReportDiskEntry MakeUsageReportDiskEntry(CDiskDevice& disk);
