// Builds the found-file tree of an NTFS volume known to the machine (deleted-file recovery): the $MFT build
// of the volume from sector 0, run on a worker while the calling thread pumps.
#pragma once

#include "filesystems/ntfs/CNTFSMftScanBuilder.h"

class CFileSystemNode;
class IDIRBuildCallback;
class IStorageDevice;

// The tree is the caller's (DeleteFoundTree); null when the volume holds no usable NTFS or the build was
// cancelled, also when the callback answers -1 only once the worker is done. result, when given, receives how
// the build went (CNTFSMftScanBuilder::GetResult): Cancelled whenever the callback answered -1. pump runs on the
// calling thread every 10 ms while the worker builds. counters, when given, receive the build's figures.
CFileSystemNode* BuildNTFS(IStorageDevice* volume, IDIRBuildCallback* callback, bytes::ParseResult* result = nullptr,
                           const CNTFSMftScanBuilder::MessagePump& pump = {}, NTFSMftScanCounters* counters = nullptr);
