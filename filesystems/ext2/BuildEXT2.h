// Builds the found-file tree of an ext2 or ext3 volume known to the machine (deleted-file recovery): the
// tree build of the volume's 512-byte view with the superblock at sector 2 and no bitmap of used blocks.
#pragma once

#include "filesystems/ext2/CExt2TreeBuilder.h"

class CFileSystemNode;
class IDIRBuildCallback;
class IStorageDevice;

// The tree is the caller's (DeleteFoundTree); null when the volume holds no ext2 file system or the build was
// cancelled. result, when given, receives how the build went (CExt2TreeBuilder::GetResult; IoFailure without a
// volume): Cancelled when it stopped on the callback's -1. pump runs on the calling thread every 10 ms while the
// worker builds.
CFileSystemNode* BuildEXT2(IStorageDevice* volume, IDIRBuildCallback* callback, bytes::ParseResult* result = nullptr,
                           const CExt2TreeBuilder::MessagePump& pump = {});
