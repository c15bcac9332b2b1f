// The directory-build runner for NTFS volumes, without its dialog.
#include "filesystems/ntfs/BuildNTFS.h"

#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/FileTree.h"

CFileSystemNode* BuildNTFS(IStorageDevice* volume, IDIRBuildCallback* callback, bytes::ParseResult* result,
                           const CNTFSMftScanBuilder::MessagePump& pump, NTFSMftScanCounters* counters)
{
    CNTFSMftScanBuilder builder;
    CFileSystemNode* tree = builder.Build(0, volume, callback, pump);
    if (counters) *counters = builder.GetCounters();
    if (result) *result = builder.GetResult();
    // A cancel that came after the worker's last look still means the user wants no tree.
    if (callback && callback->CheckCancel() == -1) {
        if (result) result->Merge(bytes::ParseStatus::Cancelled);
        DeleteFoundTree(tree);
        return nullptr;
    }
    return tree;
}
