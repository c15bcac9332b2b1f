// Reshaping of found-file trees by the builders: pruning folders that hold no file, moving children from
// one node to another, and making the node of a found partition.
#pragma once

#include "filesystems/tree/CFileSystemNode.h"

#include <cstdint>

class IFileProperties;

// Removes, with their properties, every folder below node that holds no file at any depth; node itself
// stays. Nothing for a null node, one without properties, or a file. Returns the number of folders removed.
// Iterative. The FAT build uses the first name, the NTFS build the second.
int PruneEmptyFolders(CFileNode* node);
int PruneEmptyFolders2(CFileNode* node);
// Deletes the node's properties (when set), then the node; nothing for null.
void DeleteNodeWithProperties(CFileNode* node);
// Moves every child of source under target; they end up in the reverse of their order under source.
void MoveChildNodes(CFileNode* source, CFileNode* target);

// The node of a found partition: the given properties, geometry and kind, and the name when it is not
// empty and at most 64 bytes long (SetName keeps 40 of them).
CFileSystemNode* NewPartitionNode(IFileProperties* properties, uint64_t firstSectorOfCluster0,
                                  uint8_t sectorsPerCluster, int fileSystemKind, const char* name);
