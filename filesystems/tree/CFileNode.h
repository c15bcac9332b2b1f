// A node of the found-file tree: links to parent, first child and next sibling, the properties that
// describe it and one pointer a builder may attach. A node owns neither its children nor its properties.
#pragma once

#include "filesystems/tree/FileSystemKind.h"

#include <cstdint>

class IFileProperties;
class IRSData;

// A tree has no lock: one thread at a time. Free a whole tree with DeleteFoundTree (FileTree.h).
class CFileNode {
public:
    CFileNode() = default;
    // Clears the links; deletes neither children nor properties.
    virtual ~CFileNode();
    CFileNode(const CFileNode&) = delete;
    CFileNode& operator=(const CFileNode&) = delete;

    virtual bool IsFileSystemNode() const { return false; }
    // Geometry of the nearest file-system node among the ancestors (from the parent up); zeros and false
    // when there is none. A file-system node answers with its own.
    virtual bool GetClusterGeometry(uint64_t& firstSectorOfCluster0, int32_t& sectorsPerCluster) const;
    // Kind of the node itself when it is a file-system node, else of its nearest file-system ancestor;
    // kFsKindNone without one.
    virtual int GetFileSystemKind() const;
    // A plain node stores nothing: both return 0.
    virtual int Write(IRSData* stream) const;
    virtual int Read(IRSData* stream);

    // Links child in front of this node's children (children list newest first) and returns it.
    CFileNode* AddChild(CFileNode* child);
    // Unlinks child; its parent and next sibling become null, its own children stay. False when it is
    // not a child of this node.
    bool RemoveChild(CFileNode* child);
    // The same in constant time when the caller knows the sibling before child (null: child is first).
    bool RemoveChild(CFileNode* child, CFileNode* previousSibling);

    CFileNode* GetParent() const { return m_parent; }
    CFileNode* GetFirstChild() const { return m_firstChild; }
    CFileNode* GetNextSibling() const { return m_nextSibling; }
    // Not owned by the node.
    IFileProperties* GetProperties() const { return m_properties; }
    // Stores the pointer; the old properties are not freed.
    void SetProperties(IFileProperties* properties) { m_properties = properties; }
    // Opaque to the tree: never read or freed by it.
    void* GetUserData() const { return m_userData; }
    void SetUserData(void* data) { m_userData = data; }

private:
    CFileNode* m_parent = nullptr;
    CFileNode* m_firstChild = nullptr;
    CFileNode* m_nextSibling = nullptr;
    IFileProperties* m_properties = nullptr;
    void* m_userData = nullptr;
};

CFileNode* NewFileNode();
// Delete one node through its virtual destructor; null-safe; properties and children untouched.
void DeleteFileNode(CFileNode* node);
void DestroyFileNode(CFileNode* node);
