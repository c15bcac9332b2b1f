// The complete FAT build of a partition found by scanning: every directory the scan saw is walked (also
// those whose parents are gone), folders are laid out by their ".." clusters, orphans go to "Lost Folders",
// lost directory clusters are read there, and the signature-found files are added as "Raw Files".
#pragma once

#include "core/bytes/ParseStatus.h"
#include "filesystems/fat/CFATSearchController.h"

class CFATBuildContext;
class CFATSearchedPartitionInfo;
class CFileNode;
class CFileSystemNode;
class CRawFileList;
class IDIRBuildCallback;
class IStorageDevice;

// Progress titles of the complete build.
inline constexpr const char* kFATTextBuildingNormalFiles = "Building normal files...";
inline constexpr const char* kFATTextBuildingLayout = "Building layout...";
inline constexpr const char* kFATTextFixingDirectories = "Fixing directories...";
inline constexpr const char* kFATTextBuildingLostFiles = "Building lost files...";

// Runs FATCompleteBuild on a worker thread and waits for it. The directory-sector set, the partition, the
// hit list (may be null) and the device stay the caller's; the tree is the caller's (DeleteFoundTree). Null
// on cancel or when no worker could be started (result, when given: as FATCompleteBuild's, IoFailure then).
CFileSystemNode* FATCompleteBuildThread(IDIRBuildCallback* callback, const FATDirSectorSet& dirSectors,
                                        CFATSearchedPartitionInfo* partition, CRawFileList* hits,
                                        IStorageDevice* device, int index, bytes::ParseResult* result = nullptr);
// The build itself, on the calling thread. result, when given, receives how it went: Cancelled when the callback
// answered -1 (no tree); IoFailure without a device, Corrupt without a usable partition (no tree); else
// CompleteBuildTree's verdict.
CFileSystemNode* FATCompleteBuild(IDIRBuildCallback* callback, const FATDirSectorSet& dirSectors,
                                  CFATSearchedPartitionInfo* partition, CRawFileList* hits, IStorageDevice* device,
                                  int index, bytes::ParseResult* result = nullptr);
// The partition node with every directory of the records in the partition's range; null after a cancel. result,
// when given, receives the walk's counts and verdict: Cancelled after a cancel; else the root directory's when
// the boot sector placed it and it could not be walked, IoFailure when reads of folders failed, else Ok.
CFileSystemNode* CompleteBuildTree(CFATBuildContext& context, IStorageDevice* device, const FATDirSectorSet& dirSectors,
                                   int index, bytes::ParseResult* result = nullptr);
// The directory-part records at cluster starts whose clusters no walk read become folders under lostFolders.
void BuildLostClusters(CFATBuildContext& context, IStorageDevice* device, CFileNode* lostFolders,
                       const FATDirSectorSet& dirSectors);
// Deleted folders of node that lost the high word of their first cluster take over the placeholder folder
// built from the full cluster.
void FixPlaceholderDirectories(CFileNode* node);
