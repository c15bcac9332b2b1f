// The kinds of found partitions and scanners that a saved scan can hold.
#include "storage/recoverystate/RSScanFactory.h"

#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "raw/CRAWSearchController.h"

namespace {

constexpr unsigned kStoredSectorSize = 512;

} // namespace

std::unique_ptr<CSearchedPartitionInfo> CreateSearchedPartitionInfo(int kind)
{
    if (kind == kSearchedPartitionPlain) return std::make_unique<CSearchedPartitionInfo>(kStoredSectorSize);
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.makeSearchedPartitionInfo && fs.searchedPartitionType == kind)
            return fs.makeSearchedPartitionInfo(kStoredSectorSize);
    return nullptr;
}

std::unique_ptr<IFileSystemSearchController> CreateSearchController(int kind)
{
    if (kind == kSearchControllerRAW) return std::make_unique<CRAWSearchController>();
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.makeScanner && fs.scannerKind == kind) return fs.makeScanner();
    return nullptr;
}
