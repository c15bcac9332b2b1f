// Collects the machine's disks: every disk index that opens becomes a CDiskDevice in the disk list; the
// disks are logged in a table and handed to the disk-report callback the application sets (its usage report).
#pragma once

#include "core/devices/CDiskDevice.h"
#include "filesystems/partitions/DeviceRecords.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// What the disk-report callback is told of one disk.
struct CollectedDiskFacts {
    std::string productId;
    uint64_t totalSectors = 0;
    uint32_t bytesPerSector = 0;
    uint32_t busType = 0;
};
CollectedDiskFacts DescribeCollectedDisk(CDiskDevice& disk);

// Called once per collection with the disks that opened (never with none); the application sets it at
// start-up to feed its usage report. Empty by default: nothing is reported.
using DiskReportCallback = std::function<void(const std::vector<CollectedDiskFacts>& disks)>;
void SetDiskReportCallback(DiskReportCallback callback);
