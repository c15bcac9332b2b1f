// Partition recovery's search of a disk for partitions missing from its table: the search engine with its
// FAT, NTFS and ext2 checkers run under the lost-partition progress dialog, and the merge that drops the
// hits the partition table already holds. User-interface thread only.
#pragma once

#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/partitions/CPartitionEXT2SearchController.h"
#include "filesystems/partitions/CPartitionFATSearchController.h"
#include "filesystems/partitions/CPartitionNTFSSearchController.h"
#include "filesystems/partitions/CPartitionSearchEngine.h"

#include <vector>

struct DiskDeviceRecord;

class CLostPartitionSearchTask : public CPartitionSearchEngine {
public:
    // Every hit, in order, appended to out with its window device (out's holder owns it); how the search
    // ended (Failed when the disk cannot be searched).
    PartitionSearchResult Run(const DiskDeviceRecord& disk, std::vector<CLostPartitionRecord>& out);
    // Run, then only the hits that do not start where a partition of the disk's table starts.
    PartitionSearchResult RunAndMerge(const DiskDeviceRecord& disk, std::vector<CLostPartitionRecord>& out);

private:
    // Constructed in this order, destroyed in the reverse one.
    CPartitionFATSearchController m_fat;
    CPartitionNTFSSearchController m_ntfs;
    CPartitionEXT2SearchController m_ext2;
};
