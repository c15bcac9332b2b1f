// Volume nodes of NTFS trees.
#include "filesystems/ntfs/NTFSPartitionNode.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/TextCut.h"
#include "filesystems/tree/TreeReshaping.h"

#include <cstdio>

namespace {

constexpr size_t kMaxFolderNameBytes = 98;

// The selected source's letter and name around the file-system name and the partition's number.
std::string PartitionDisplayName(const char* fileSystemName, int number)
{
    const CRecoverySettings* settings = GetRecoverySettings();
    const uint8_t letter = settings->m_selectedDriveLetter;
    const bool hasLetter = letter != 255 && letter != 0;
    const std::string& source = settings->m_selectedSourceName;
    char text[256];
    if (hasLetter && !source.empty())
        std::snprintf(text, sizeof text, "%c:(%s - %s %d)", letter, source.c_str(), fileSystemName, number);
    else if (!source.empty())
        std::snprintf(text, sizeof text, "%s(%s %d)", source.c_str(), fileSystemName, number);
    else if (hasLetter)
        std::snprintf(text, sizeof text, "%c:(%s %d)", letter, fileSystemName, number);
    else
        std::snprintf(text, sizeof text, "%s %d", fileSystemName, number);
    return text;
}

} // namespace

CNTFSFileProperties* NewNTFSFolderProperties(int partitionIndex)
{
    auto* properties = new CNTFSFileProperties();
    properties->SetBuiltName(CutUtf8(PartitionDisplayName("NTFS", partitionIndex + 1), kMaxFolderNameBytes));
    properties->SetAttributes(uint16_t(properties->GetAttributes() | kFileAttrDirectory));
    return properties;
}

CFileSystemNode* NewNTFSFileNode(uint64_t firstSectorOfCluster0, uint8_t sectorsPerCluster, int partitionIndex,
                                 const char* name)
{
    return NewPartitionNode(NewNTFSFolderProperties(partitionIndex), firstSectorOfCluster0, sectorsPerCluster,
                            kFsKindNtfs, name);
}
