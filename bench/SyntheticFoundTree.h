// Found-file trees made up for the benchmarks: one node with plain properties at a time, a folder being a
// node with attribute 0x10.
#pragma once

#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CMyFileProperties.h"

#include <cstdint>
#include <cstdio>
#include <string>

// Adds a file, or a folder when attributes hold 0x10 (a file-system node of folderKind when it is not 0), below
// parent. allTimes: the creation and access times are the modification time too, else they stay unset.
inline CFileNode* AddSyntheticNode(CFileNode* parent, const std::string& name, uint64_t size, uint32_t attributes,
                                   uint64_t modificationTime, bool allTimes = false, int folderKind = 0)
{
    MyFilePropertiesRecord r;
    std::snprintf(r.name, sizeof r.name, "%s", name.c_str());
    r.nameLength = int32_t(name.size());
    r.size = size;
    r.attributes = attributes;
    r.modificationTime = modificationTime;
    if (allTimes) {
        r.creationTime = modificationTime;
        r.accessTime = modificationTime;
    }
    r.validMask = 0xFF;
    CMyFileProperties* p = NewMyFileProperties();
    p->SetRecord(r);
    const bool folder = (attributes & 0x10) != 0;
    CFileNode* n = folder ? static_cast<CFileNode*>(NewFileSystemNode()) : NewFileNode();
    if (folder && folderKind != 0) static_cast<CFileSystemNode*>(n)->SetFileSystemKind(folderKind);
    n->SetProperties(p);
    return parent->AddChild(n);
}
