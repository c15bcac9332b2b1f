// Choosing the scanner that builds a found partition's tree, and handing the hit list to every scanner.
#include "filesystems/common/IFileSystemSearchController.h"

CFileSystemNode* DispatchBuildDirectory(const CSearchControllerList& controllers, CSearchedPartitionInfo* partition,
                                        IStorageDevice* device, int index, IDIRBuildCallback* callback)
{
    if (!partition) return nullptr;
    for (IFileSystemSearchController* c : controllers)
        if (c && c->IsFileSystemSupported(partition->nFileSystemKind))
            return c->BuildDirectoryTree(partition, device, index, callback);
    return nullptr;
}

void SetControllersRawFileList(const CSearchControllerList& controllers, CRawFileList* hits)
{
    for (IFileSystemSearchController* c : controllers)
        if (c) c->SetRawFileList(hits);
}
