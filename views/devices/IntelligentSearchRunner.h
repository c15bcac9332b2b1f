// Format recovery's search of a whole device: every scanner fed from one pass under the intelligent-search
// progress dialog, then their partitions collected, ranked, sorted and the best ones recommended.
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"

#include <list>

class IFileSystemSearchController;
class IIntelligentSearchCallback;
class IStorageDevice;

// The scanners are the caller's; found receives the partitions, scored and sorted (its own pointers).
void RunIntelligentSearch(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                          CSearchedPartitionList& found);

// The same without a window (the harness, tests): callback may be null.
void IntelligentSearchAndCollect(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                                 CSearchedPartitionList& found, IIntelligentSearchCallback* callback);

// Each scanner's partitions appended in scanner order, then ranked, sorted and the recommended ones chosen.
void CollectSearchedPartitions(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                               CSearchedPartitionList& found);
