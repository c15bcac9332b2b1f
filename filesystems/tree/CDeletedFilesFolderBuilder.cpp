// The "Deleted Files" folder: a filtered copy of a scanned tree whose nodes share the scanned properties.
#include "filesystems/tree/CDeletedFilesFolderBuilder.h"

#include "filesystems/tree/CRAWFileProperties.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/IFileFilter.h"

#include <vector>

CDeletedFilesFolderBuilder::CDeletedFilesFolderBuilder(IFileFilter* filter) : m_filter(filter)
{
    CRawFileInfo folderHit;
    folderHit.SetStartSector(UINT64_MAX);
    auto* properties = CreateRAWFileProperties();
    properties->SetFromRawHit(&folderHit);
    properties->SetAttributes(kFileAttrDirectory);
    properties->SetRawFileName("Deleted Files");

    m_folder = NewFileSystemNode();
    m_folder->SetProperties(properties);
    m_folder->SetClusterGeometry(0, 1);
    m_folder->SetFileSystemKind(kFsKindNone);
    FileSystemNodeExtraInfo info;
    info.folderKind = kFolderKindSharedProperties;
    m_folder->SetExtraInfo(info);
}

CFileSystemNode* CDeletedFilesFolderBuilder::Build(CFileNode* partition)
{
    if (!partition) return m_folder;
    // The folder is shown under the partition's names; RAW properties take a name only through their
    // own setter.
    auto* folderProperties = static_cast<CRAWFileProperties*>(m_folder->GetProperties());
    if (const IFileProperties* p = partition->GetProperties()) folderProperties->SetRawFileName(p->GetName());
    if (partition->IsFileSystemNode()) m_folder->SetName(static_cast<CFileSystemNode*>(partition)->GetName());

    CopyMatchingFiles(partition, m_folder);

    uint64_t firstSector = 0;
    int32_t sectorsPerCluster = 0;
    partition->GetClusterGeometry(firstSector, sectorsPerCluster);
    m_folder->SetClusterGeometry(firstSector, sectorsPerCluster);
    m_folder->SetFileSystemKind(partition->GetFileSystemKind());
    return m_folder;
}

bool CDeletedFilesFolderBuilder::CopyMatchingFiles(CFileNode* source, CFileNode* target)
{
    if (!source || !target) return false;
    // An explicit stack in place of recursion: each frame copies one source folder into a new node that
    // joins its parent's copy only once something below it has passed.
    struct Frame {
        CFileNode* copy;
        CFileNode* next; // next source child to look at
        bool found;
    };
    std::vector<Frame> stack{{target, source->GetFirstChild(), false}};
    while (true) {
        const size_t top = stack.size() - 1;
        CFileNode* child = stack[top].next;
        if (!child) {
            const Frame done = stack.back();
            stack.pop_back();
            if (stack.empty()) return done.found;
            if (done.found) {
                stack.back().copy->AddChild(done.copy);
                stack.back().found = true;
            } else {
                delete done.copy;
            }
            continue;
        }
        stack[top].next = child->GetNextSibling();
        IFileProperties* p = child->GetProperties();
        if (child->GetFirstChild()) {
            CFileNode* copy = NewFileNode();
            copy->SetProperties(p);
            stack.push_back({copy, child->GetFirstChild(), false});
        } else if (p && !(p->GetAttributes() & kFileAttrDirectory) && m_filter && m_filter->IsMatch(p)) {
            CFileNode* copy = NewFileNode();
            copy->SetProperties(p);
            stack[top].copy->AddChild(copy);
            stack[top].found = true;
        }
    }
}
