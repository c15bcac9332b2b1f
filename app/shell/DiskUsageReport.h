// The usage report of the collected disks: the disk collector's report callback, set by the application at
// start-up, turns each disk into the usage module's disk entry.
#pragma once

#include "filesystems/partitions/CCollectDiskDevice.h"

#include <vector>

// Sends the disks to the usage module (nothing when it is not loaded).
void ReportCollectedDisksToUsageModule(const std::vector<CollectedDiskFacts>& disks);
