// The directory-build runner for NTFS volumes, without its dialog.
#include "filesystems/ntfs/BuildNTFS.h"

#include "filesystems/partitions/IDIRBuildCallback.h"

CFileSystemNode* BuildNTFS(IStorageDevice* volume, IDIRBuildCallback* callback, bool* cancelled,
                           const CNTFSMftScanBuilder::MessagePump& pump, NTFSMftScanCounters* counters)
{
    if (cancelled) *cancelled = false;
    CNTFSMftScanBuilder builder;
    CFileSystemNode* tree = builder.Build(0, volume, callback, pump);
    if (callback && callback->CheckCancel() == -1 && cancelled) *cancelled = true;
    if (counters) *counters = builder.GetCounters();
    return tree;
}
