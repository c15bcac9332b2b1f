// The kinds of found partitions and scanners that a saved scan can hold.
#include "storage/recoverystate/RSScanFactory.h"

#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "raw/CRAWSearchController.h"

namespace {

constexpr unsigned kStoredSectorSize = 512;

} // namespace

std::unique_ptr<CSearchedPartitionInfo> CreateSearchedPartitionInfo(int kind)
{
    switch (kind) {
    case kSearchedPartitionNTFS:
        return std::make_unique<CSearchedNTFSPartitionInfo>(kStoredSectorSize);
    case kSearchedPartitionFAT:
        return std::make_unique<CFATSearchedPartitionInfo>(kStoredSectorSize);
    case kSearchedPartitionPlain:
        return std::make_unique<CSearchedPartitionInfo>(kStoredSectorSize);
    default:
        // The ext2 record joins here when its class exists.
        return nullptr;
    }
}

std::unique_ptr<IFileSystemSearchController> CreateSearchController(int kind)
{
    switch (kind) {
    case kSearchControllerNTFS:
        return std::make_unique<CNTFSSearchController>();
    case kSearchControllerFAT:
        return std::make_unique<CFATSearchController>();
    case kSearchControllerRAW:
        return std::make_unique<CRAWSearchController>();
    default:
        // The ext2 scanner joins here when its class exists.
        return nullptr;
    }
}
