// Builds the found-file tree of a FAT volume known to the machine (deleted-file recovery): describes the
// volume as a partition at sector 0 with the options' FAT-copy choice and runs the quick build on a worker.
#pragma once

#include "filesystems/fat/CFATTreeBuilder.h"

class CFileSystemNode;
class IDIRBuildCallback;
class IStorageDevice;

// fat32 chooses the FAT32 boot sectors (primary and backup) over the FAT12/16 one. includeAll lists every
// file rather than folders and deleted entries only. The tree is the caller's (DeleteFoundTree); null when the
// build failed or was cancelled, also when the callback answers -1 only once the worker is done. result, when
// given, receives how the build went (FATQuickBuild; IoFailure without a volume): Cancelled whenever the
// callback answered -1. pump runs on the calling thread every 10 ms while the worker builds.
CFileSystemNode* BuildFAT(IStorageDevice* volume, bool fat32, bool includeAll, IDIRBuildCallback* callback,
                          bytes::ParseResult* result = nullptr, const CFATTreeBuilder::MessagePump& pump = {});
