// The kinds of found partitions and scanners that a saved scan can hold.
#include "storage/recoverystate/RSScanFactory.h"

#include "filesystems/ext2/CExt2SearchedPartitionInfo.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "raw/CRAWSearchController.h"

namespace {

constexpr unsigned kStoredSectorSize = 512;

} // namespace

std::unique_ptr<CSearchedPartitionInfo> CreateSearchedPartitionInfo(int kind)
{
    switch (kind) {
    case kSearchedPartitionNTFS: return std::make_unique<CSearchedNTFSPartitionInfo>(kStoredSectorSize);
    case kSearchedPartitionFAT: return std::make_unique<CFATSearchedPartitionInfo>(kStoredSectorSize);
    case kSearchedPartitionExt2:
        // Its superblock copy and descriptor table are read again when its tree is built.
        return std::make_unique<CExt2SearchedPartitionInfo>();
    case kSearchedPartitionPlain: return std::make_unique<CSearchedPartitionInfo>(kStoredSectorSize);
    default: return nullptr;
    }
}

std::unique_ptr<IFileSystemSearchController> CreateSearchController(int kind)
{
    if (kind == kSearchControllerRAW) return std::make_unique<CRAWSearchController>();
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.makeScanner && fs.scannerKind == kind) return fs.makeScanner();
    return nullptr;
}
