// The found-file tree section of a recovery-state file: a whole tree with every node's own data and
// properties, written breadth-first by folders.
//
// Section {D208F26C-078C-4E34-9D71-D91F535F7B57}, little-endian:
//   u32 1, the root's node data (CFileSystemNode::Write), u32 properties type, the properties' data;
//   then for every folder in breadth-first order from the root, its children last sibling first, each as
//   u32 node kind (1 CFileSystemNode, 0 CFileNode), node data, u32 properties type, properties data;
//   after a folder's children u32 0xFFFFFFFF. Children without properties are left out.
// A folder is a node whose properties carry attribute 0x10, or plain properties (which store nothing, and
// come back as the synthetic "Root" folder). The reader prepends each child, which restores the order.
#pragma once

#include "filesystems/tree/FileTree.h"

#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "core/rsdata/IRSData.h"

class IDIRBuildCallback;

constexpr uint32_t kTreeNodeKindFile = 0;
constexpr uint32_t kTreeNodeKindFileSystem = 1;
constexpr uint32_t kTreeEndOfChildren = 0xFFFFFFFF;

// False for a null root or stream. Stream errors pass as CRSException. progress may be null.
bool SaveFileTree(CFileSystemNode* root, IRSData* stream, IDIRBuildCallback* progress);
// The rebuilt tree (the caller frees it with DeleteFoundTree; a loaded tree owns all its properties), or null when the section does not start
// with a file-system root. On a CRSException what was built is freed and the exception passes on; a node
// or properties kind the reader does not know is code 2.
CFileSystemNode* LoadFileTree(IRSData* stream, IDIRBuildCallback* progress);

// u32 GetPropertiesType, then the properties' own Write.
void WriteFileProperties(const IFileProperties* properties, IRSData* stream);
// A new properties object of the stored type filled by its Read; code 2 for a type it cannot make.
IFileProperties* ReadFileProperties(IRSData* stream);
