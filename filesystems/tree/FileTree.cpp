// Breadth-first walk, subtree statistics and teardown of found-file trees, all without recursion.
#include "filesystems/tree/FileTree.h"

#include "filesystems/tree/IFileProperties.h"

void WalkFileTreeBreadthFirst(CFileNode* root, FileTreeVisitor visitor, void* extra)
{
    if (!visitor) return;
    WalkFileTreeBreadthFirst(root, [&](CFileNode* node) { visitor(node, extra); });
}

void ComputeSubtreeStatistics(CFileNode* node, FileTreeStatistics& out, bool setState, uint8_t state)
{
    out = FileTreeStatistics{};
    WalkFileTreeBreadthFirst(node, [&](CFileNode* n) {
        CFileSystemNode::AccumulateStatistics(out, n);
        if (setState) {
            if (IFileProperties* p = n->GetProperties()) p->SetCheckState(state);
        }
    });
}

void CollectNodesPostOrder(CFileNode* node, std::vector<CFileNode*>& out)
{
    if (!node) return;
    // Each stack entry is a node whose children are still to be visited from the given child on.
    struct Frame {
        CFileNode* node;
        CFileNode* next;
    };
    std::vector<Frame> stack{{node, node->GetFirstChild()}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (CFileNode* child = top.next) {
            top.next = child->GetNextSibling();
            stack.push_back({child, child->GetFirstChild()});
        } else {
            out.push_back(top.node);
            stack.pop_back();
        }
    }
}

void DeleteTreeNodes(CFileNode* root)
{
    std::vector<CFileNode*> nodes;
    CollectNodesPostOrder(root, nodes);
    for (CFileNode* n : nodes) delete n;
}

void DeleteTreeNodesAndProperties(CFileNode* root)
{
    std::vector<CFileNode*> nodes;
    CollectNodesPostOrder(root, nodes);
    for (CFileNode* n : nodes) {
        delete n->GetProperties();
        delete n;
    }
}

void DeleteFoundTree(CFileNode* root)
{
    if (!root) return;
    FileSystemNodeExtraInfo info;
    if (root->IsFileSystemNode()) static_cast<CFileSystemNode*>(root)->GetExtraInfo(info);
    if (info.folderKind == kFolderKindOrdinary) {
        DeleteTreeNodesAndProperties(root);
        return;
    }
    // Deeper nodes share properties owned by another tree: free only those of the first level. Copied
    // nodes are always plain nodes, so a plain direct child (the copy's folder freed as a root of its
    // own) shares its properties too.
    for (CFileNode* c = root->GetFirstChild(); c; c = c->GetNextSibling()) {
        if (!c->IsFileSystemNode()) continue;
        delete c->GetProperties();
        c->SetProperties(nullptr);
    }
    delete root->GetProperties();
    root->SetProperties(nullptr);
    DeleteTreeNodes(root);
}
