// The volume node at the top of an NTFS tree: NTFS folder properties named after the selected source and
// the partition's number, the volume's cluster geometry and its label.
#pragma once

#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/tree/CFileSystemNode.h"

#include <cstdint>

// Properties named "<letter>:(<source> - NTFS <index + 1>)" (or the shorter forms without letter or source
// name), at most 98 bytes, with the folder attribute. The caller owns them.
CNTFSFileProperties* NewNTFSFolderProperties(int partitionIndex);

// A node with NewNTFSFolderProperties, the geometry, kind NTFS and the name when it is not empty and at most
// 64 bytes long (the node keeps 40). The caller frees it with DeleteFoundTree.
CFileSystemNode* NewNTFSFileNode(uint64_t firstSectorOfCluster0, uint8_t sectorsPerCluster, int partitionIndex,
                                 const char* name);
