// How the partition-recovery disk controller searches a disk for lost partitions: the wizard installs a
// search under the progress dialog that also drops the partitions the disk's table still holds; without
// one the search runs on its own thread while the caller waits, and nothing is merged.
#pragma once

#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/partitions/CPartitionSearchEngine.h"

#include <functional>
#include <vector>

struct DiskDeviceRecord;

// Appends the partitions found to found (each with its window device, which the caller then owns) and
// tells how the search ended.
using LostPartitionSearch =
    std::function<PartitionSearchResult(const DiskDeviceRecord& disk, std::vector<CLostPartitionRecord>& found)>;

// The search in use: the installed one, else the one without a window.
const LostPartitionSearch& GetLostPartitionSearch();
// Installs a search (an empty one restores the default).
void SetLostPartitionSearch(LostPartitionSearch search);
