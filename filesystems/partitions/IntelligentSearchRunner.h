// The search of a whole device as format recovery and partition recovery's Full Scan run it: every scanner
// fed from one pass over the device, then their partitions collected, ranked, sorted and the best ones
// recommended. A cancelled search keeps what the scanners found until then and is collected the same way.
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"

#include <functional>
#include <list>

class IFileSystemSearchController;
class IIntelligentSearchCallback;
class IStorageDevice;

// Runs a search on a worker under a progress display that serves as its callback, and returns once the
// search has returned; false when the worker could not be started (the search then never ran).
using IntelligentSearchProgress = std::function<bool(const std::function<void(IIntelligentSearchCallback*)>& search)>;

// How a search ended.
enum class IntelligentSearchEnd {
    Finished,  // every block was searched
    Cancelled, // the user stopped it: found holds what was found before
    NotRun     // no device, or the progress display could not start the search: found is left as it was
};

// The scanners are the caller's; found receives the partitions the scanners found, scored and sorted (its
// own pointers). Without progress the search runs on the calling thread, reporting nowhere.
IntelligentSearchEnd RunIntelligentSearch(IStorageDevice* device,
                                          const std::list<IFileSystemSearchController*>& scanners,
                                          CSearchedPartitionList& found,
                                          const IntelligentSearchProgress& progress = {});

// Each scanner's partitions appended in scanner order, then ranked, sorted and the recommended ones chosen.
void CollectSearchedPartitions(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                               CSearchedPartitionList& found);
