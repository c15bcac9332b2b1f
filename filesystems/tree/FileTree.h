// Walks over a found-file tree and its teardown. Every walk is iterative, so trees of any depth or width
// are safe. DeleteFoundTree is the one way to free a tree a builder made.
#pragma once

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"

#include <cstdint>
#include <deque>
#include <vector>

using FileTreeVisitor = void (*)(CFileNode* node, void* extra);

// Visits root, then breadth-first every node below it; siblings in list order. Null root: nothing.
void WalkFileTreeBreadthFirst(CFileNode* root, FileTreeVisitor visitor, void* extra);

template <class Visit>
void WalkFileTreeBreadthFirst(CFileNode* root, Visit&& visit)
{
    if (!root) return;
    std::deque<CFileNode*> queue{root};
    while (!queue.empty()) {
        CFileNode* node = queue.front();
        queue.pop_front();
        visit(node);
        for (CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) queue.push_back(child);
    }
}

// A zeroed record plus the figures of node's subtree. With setState every visited node (folders
// included) then takes state, after its old state was counted.
void ComputeSubtreeStatistics(CFileNode* node, FileTreeStatistics& out, bool setState, uint8_t state);

// Each child's subtree in sibling order, then the node.
void CollectNodesPostOrder(CFileNode* node, std::vector<CFileNode*>& out);
// Deletes every node of the subtree; properties untouched.
void DeleteTreeNodes(CFileNode* root);
// Deletes every node of the subtree and its properties.
void DeleteTreeNodesAndProperties(CFileNode* root);
// Frees a tree. A root with folder kind 2 (shared properties) frees only its own properties and those of
// its direct children that are file-system nodes (the copies' plain nodes never own theirs), then the
// nodes; any other root frees all nodes and properties. Null: nothing.
void DeleteFoundTree(CFileNode* root);
