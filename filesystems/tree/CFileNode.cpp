// Links of the found-file tree and the geometry and kind a node inherits from its file-system ancestors.
#include "filesystems/tree/CFileNode.h"

CFileNode::~CFileNode()
{
    m_parent = nullptr;
    m_firstChild = nullptr;
    m_nextSibling = nullptr;
    m_properties = nullptr;
    m_userData = nullptr;
}

bool CFileNode::GetClusterGeometry(uint64_t& firstSectorOfCluster0, int32_t& sectorsPerCluster) const
{
    for (const CFileNode* up = m_parent; up; up = up->m_parent) {
        if (up->IsFileSystemNode()) return up->GetClusterGeometry(firstSectorOfCluster0, sectorsPerCluster);
    }
    firstSectorOfCluster0 = 0;
    sectorsPerCluster = 0;
    return false;
}

int CFileNode::GetFileSystemKind() const
{
    for (const CFileNode* up = m_parent; up; up = up->m_parent) {
        if (up->IsFileSystemNode()) return up->GetFileSystemKind();
    }
    return kFsKindNone;
}

int CFileNode::Write(IRSData*) const
{
    return 0;
}

int CFileNode::Read(IRSData*)
{
    return 0;
}

CFileNode* CFileNode::AddChild(CFileNode* child)
{
    if (!child) return nullptr;
    child->m_parent = this;
    child->m_nextSibling = m_firstChild;
    m_firstChild = child;
    return child;
}

bool CFileNode::RemoveChild(CFileNode* child)
{
    if (!child) return false;
    CFileNode** link = &m_firstChild;
    while (*link && *link != child) link = &(*link)->m_nextSibling;
    if (!*link) return false;
    *link = child->m_nextSibling;
    child->m_parent = nullptr;
    child->m_nextSibling = nullptr;
    return true;
}

bool CFileNode::RemoveChild(CFileNode* child, CFileNode* previousSibling)
{
    if (!child || child->m_parent != this) return false;
    CFileNode*& link = previousSibling ? previousSibling->m_nextSibling : m_firstChild;
    if (link != child) return RemoveChild(child);
    link = child->m_nextSibling;
    child->m_parent = nullptr;
    child->m_nextSibling = nullptr;
    return true;
}

CFileNode* NewFileNode()
{
    return new CFileNode();
}

void DeleteFileNode(CFileNode* node)
{
    delete node;
}

void DestroyFileNode(CFileNode* node)
{
    delete node;
}
