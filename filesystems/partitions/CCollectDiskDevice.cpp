// Disk collection, its log table and the disk report.
#include "filesystems/partitions/CCollectDiskDevice.h"

#include "filesystems/partitions/DiskDescriptionText.h"
#include "platform/Log.h"

#include <cinttypes>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kRule(106, '-');

// Set at start-up, before any collection runs; read by the device-refresh worker.
DiskReportCallback& ReportCallback()
{
    static DiskReportCallback callback;
    return callback;
}

plat::DiskGeometry QueryGeometry(CDiskDevice& disk)
{
    plat::DiskGeometry geometry;
    if (!disk.GetDriveGeometry(&geometry)) geometry = plat::DiskGeometry{};
    return geometry;
}

} // namespace

void SetDiskReportCallback(DiskReportCallback callback)
{
    ReportCallback() = std::move(callback);
}

CollectedDiskFacts DescribeCollectedDisk(CDiskDevice& disk)
{
    DiskDescription description;
    std::memset(&description, 0, sizeof description);
    disk.GetDiskDescription(&description);
    const plat::DiskGeometry geometry = QueryGeometry(disk);
    return {std::string(description.productId, strnlen(description.productId, sizeof description.productId)),
            disk.GetSectorCount(), geometry.bytesPerSector, uint32_t(description.busType)};
}

void CCollectDiskDevice::CollectDiskDevice(CStorageDeviceList& disks)
{
    CollectDiskDevice(disks, [](int index) { return std::make_unique<CDiskDevice>(index); });
}

void CCollectDiskDevice::CollectDiskDevice(CStorageDeviceList& disks, const DiskMaker& make)
{
    LogInfo("%s\r\n", kRule.c_str());
    LogInfo("Disk    TotalSectors       Cylinders    Heads    Sectors/Track     DIskInfo");
    std::vector<CollectedDiskFacts> entries;
    for (int index = 0; index < kMaxDiskIndexes; ++index) {
        std::unique_ptr<CDiskDevice> disk = make(index);
        if (!disk || !disk->IsOpen()) continue;
        const plat::DiskGeometry geometry = QueryGeometry(*disk);
        const std::string text = GetDiskDescriptionText(disk.get());
        LogInfo("%d  %16" PRId64 "  %10" PRId64 "  %10d   %16d   %30s", disk->GetDiskIndex(),
                int64_t(disk->GetSectorCount()), int64_t(geometry.cylinders), int(geometry.tracksPerCylinder),
                int(geometry.sectorsPerTrack), text.c_str());
        entries.push_back(DescribeCollectedDisk(*disk));
        disks.push_back(disk.release());
    }
    if (!entries.empty() && ReportCallback()) ReportCallback()(entries);
    LogInfo("%s\r\n", kRule.c_str());
}
