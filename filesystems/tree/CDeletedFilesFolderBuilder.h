// Builds the "Deleted Files" folder: a copy of a scanned tree that keeps the files a filter passes and the
// folders on the way to them. Copied nodes are plain nodes sharing the scanned tree's properties.
#pragma once

#include "filesystems/tree/CFileSystemNode.h"

class IFileFilter;

class CDeletedFilesFolderBuilder {
public:
    // Makes the folder node (RAW properties named "Deleted Files", attribute 0x10, geometry 0/1, kind 7,
    // folder kind 2). The filter is not owned.
    explicit CDeletedFilesFolderBuilder(IFileFilter* filter);
    // Frees nothing: the folder node belongs to whoever took it from Build.
    ~CDeletedFilesFolderBuilder() = default;
    CDeletedFilesFolderBuilder(const CDeletedFilesFolderBuilder&) = delete;
    CDeletedFilesFolderBuilder& operator=(const CDeletedFilesFolderBuilder&) = delete;

    // Names the folder after the partition node (node name and properties name), copies the matching
    // files, takes the partition's geometry and kind, and returns the folder node (empty when nothing
    // passed). The tree that takes it must carry folder kind 2 so that DeleteFoundTree spares the shared
    // properties.
    CFileSystemNode* Build(CFileNode* partition);
    // Copies into target the children of source that lead to a passing file; siblings come out in the
    // reverse of their source order. Returns whether anything was added. Iterative.
    bool CopyMatchingFiles(CFileNode* source, CFileNode* target);

    CFileSystemNode* GetFolderNode() const { return m_folder; }

private:
    CFileSystemNode* m_folder = nullptr;
    IFileFilter* m_filter = nullptr;
};
