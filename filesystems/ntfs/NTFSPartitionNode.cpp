// Volume nodes of NTFS trees.
#include "filesystems/ntfs/NTFSPartitionNode.h"

#include "filesystems/common/PartitionNaming.h"
#include "filesystems/tree/TextCut.h"
#include "filesystems/tree/TreeReshaping.h"

namespace {

constexpr size_t kMaxFolderNameBytes = 98;

} // namespace

CNTFSFileProperties* NewNTFSFolderProperties(int partitionIndex)
{
    auto* properties = new CNTFSFileProperties();
    properties->SetBuiltName(CutUtf8(FormatPartitionName("NTFS", partitionIndex + 1), kMaxFolderNameBytes));
    properties->SetAttributes(uint16_t(properties->GetAttributes() | kFileAttrDirectory));
    return properties;
}

CFileSystemNode* NewNTFSFileNode(uint64_t firstSectorOfCluster0, uint8_t sectorsPerCluster, int partitionIndex,
                                 const char* name)
{
    return NewPartitionNode(NewNTFSFolderProperties(partitionIndex), firstSectorOfCluster0, sectorsPerCluster,
                            kFsKindNtfs, name);
}
