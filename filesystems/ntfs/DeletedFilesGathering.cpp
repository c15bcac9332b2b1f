// Gathering a scanned tree's deleted files into the "Deleted Files" folder.
#include "filesystems/ntfs/DeletedFilesGathering.h"

#include "filesystems/tree/CDeletedFilesFolderBuilder.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFileStateFilter.h"

namespace {

// Deleted, lost and cross-linked.
constexpr int32_t kRecoverableStates = 7;

} // namespace

CFileSystemNode* GatherDeletedFiles(CFileNode* scannedPartition)
{
    if (!scannedPartition) return nullptr;
    CFileStateFilter filter(kRecoverableStates);
    CDeletedFilesFolderBuilder builder(&filter);
    CFileSystemNode* folder = builder.Build(scannedPartition);

    CFileSystemNode* root = CreateRootNode();
    FileSystemNodeExtraInfo info;
    root->GetExtraInfo(info);
    info.folderKind = kFolderKindSharedProperties;
    root->SetExtraInfo(info);
    uint64_t firstSector = 0;
    int32_t sectorsPerCluster = 0;
    folder->GetClusterGeometry(firstSector, sectorsPerCluster);
    root->SetClusterGeometry(firstSector, sectorsPerCluster);
    root->SetFileSystemKind(folder->GetFileSystemKind());
    root->AddChild(folder);
    root->RecomputeStatistics();
    return root;
}
