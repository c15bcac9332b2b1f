// Pruning empty folders, moving children and making partition nodes, without recursion.
#include "filesystems/tree/TreeReshaping.h"

#include "filesystems/tree/IFileProperties.h"

#include <cstring>
#include <vector>

namespace {

bool IsFolder(const CFileNode* node)
{
    const IFileProperties* p = node->GetProperties();
    return p && (p->GetAttributes() & kFileAttrDirectory);
}

int PruneFolders(CFileNode* node)
{
    if (!node || !IsFolder(node)) return 0;
    // Folders in pre-order; handled in reverse, every folder sees its sub-folders already pruned.
    std::vector<CFileNode*> folders{node};
    for (size_t i = 0; i < folders.size(); ++i) {
        for (CFileNode* c = folders[i]->GetFirstChild(); c; c = c->GetNextSibling())
            if (IsFolder(c)) folders.push_back(c);
    }
    int removed = 0;
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        CFileNode* folder = *it;
        CFileNode* previous = nullptr;
        for (CFileNode* c = folder->GetFirstChild(); c;) {
            CFileNode* next = c->GetNextSibling();
            if (!c->GetFirstChild() && IsFolder(c)) {
                folder->RemoveChild(c, previous);
                DeleteNodeWithProperties(c);
                ++removed;
            } else {
                previous = c;
            }
            c = next;
        }
    }
    return removed;
}

} // namespace

int PruneEmptyFolders(CFileNode* node)
{
    return PruneFolders(node);
}

int PruneEmptyFolders2(CFileNode* node)
{
    return PruneFolders(node);
}

void DeleteNodeWithProperties(CFileNode* node)
{
    if (!node) return;
    delete node->GetProperties();
    delete node;
}

void MoveChildNodes(CFileNode* source, CFileNode* target)
{
    if (!source || !target || source == target) return;
    while (CFileNode* child = source->GetFirstChild()) {
        source->RemoveChild(child);
        target->AddChild(child);
    }
}

CFileSystemNode* NewPartitionNode(IFileProperties* properties, uint64_t firstSectorOfCluster0,
                                  uint8_t sectorsPerCluster, int fileSystemKind, const char* name)
{
    auto* node = NewFileSystemNode();
    node->SetProperties(properties);
    node->SetClusterGeometry(firstSectorOfCluster0, sectorsPerCluster);
    node->SetFileSystemKind(fileSystemKind);
    if (name && name[0] && std::strlen(name) <= 64) node->SetName(name);
    return node;
}
