// The collected disks as usage-module disk entries.
#include "app/shell/DiskUsageReport.h"

#include "app/shell/UsageEvents.h"

void ReportCollectedDisksToUsageModule(const std::vector<CollectedDiskFacts>& disks)
{
    std::vector<UsageReportDiskEntry> entries;
    entries.reserve(disks.size());
    for (const CollectedDiskFacts& d : disks)
        entries.push_back(UsageReportDiskEntry::Make(d.productId, d.totalSectors, d.bytesPerSector, d.busType));
    if (!entries.empty()) ReportUsageDisks(entries.data(), int(entries.size()));
}
