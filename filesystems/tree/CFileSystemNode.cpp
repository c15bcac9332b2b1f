// Folder and volume nodes: geometry, kind, name, statistics, check-state propagation and stream form.
#include "filesystems/tree/CFileSystemNode.h"

#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/TextCut.h"
#include "core/rsdata/IRSData.h"

#include <cstring>
#include <vector>

namespace {

bool IsFolder(const CFileNode* node)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    return p && (p->GetAttributes() & kFileAttrDirectory);
}

uint8_t CheckStateOf(const CFileNode* node)
{
    const IFileProperties* p = node->GetProperties();
    return p ? p->GetCheckState() : uint8_t(kCheckNone);
}

} // namespace

bool CFileSystemNode::GetClusterGeometry(uint64_t& firstSectorOfCluster0, int32_t& sectorsPerCluster) const
{
    firstSectorOfCluster0 = m_firstSectorOfCluster0;
    sectorsPerCluster = m_sectorsPerCluster;
    return true;
}

void CFileSystemNode::SetClusterGeometry(uint64_t firstSectorOfCluster0, int32_t sectorsPerCluster)
{
    m_firstSectorOfCluster0 = firstSectorOfCluster0;
    m_sectorsPerCluster = sectorsPerCluster;
}

bool CFileSystemNode::GetExtraInfo(FileSystemNodeExtraInfo& out) const
{
    out = m_extraInfo;
    return true;
}

bool CFileSystemNode::SetExtraInfo(const FileSystemNodeExtraInfo& info)
{
    m_extraInfo = info;
    return true;
}

void CFileSystemNode::SetName(const char* name)
{
    m_name.clear();
    m_hasName = name != nullptr;
    if (name) m_name = CutUtf8(name, kMaxNameLength);
}

int CFileSystemNode::Write(IRSData* stream) const
{
    RSWriteValue<uint32_t>(stream, m_statistics.files);
    RSWriteValue<uint32_t>(stream, 0);
    RSWriteValue<uint64_t>(stream, m_statistics.bytes);
    RSWriteValue<uint64_t>(stream, 0);
    RSWriteValue<uint32_t>(stream, m_statistics.compressedFiles);
    RSWriteValue<uint32_t>(stream, 0);
    RSWriteValue<uint32_t>(stream, m_statistics.encryptedFiles);
    RSWriteValue<uint32_t>(stream, 0);
    RSWriteValue<uint64_t>(stream, m_firstSectorOfCluster0);
    RSWriteValue<int32_t>(stream, m_sectorsPerCluster);
    RSWriteValue<int32_t>(stream, m_fileSystemKind);
    RSWriteValue<int32_t>(stream, int32_t(m_name.size()));
    if (m_hasName && !m_name.empty()) stream->Write(m_name.data(), unsigned(m_name.size()));
    return 1;
}

int CFileSystemNode::Read(IRSData* stream)
{
    FileTreeStatistics s;
    s.files = RSReadValue<uint32_t>(stream);
    s.checkedFiles = RSReadValue<uint32_t>(stream);
    s.bytes = RSReadValue<uint64_t>(stream);
    s.checkedBytes = RSReadValue<uint64_t>(stream);
    s.compressedFiles = RSReadValue<uint32_t>(stream);
    s.checkedCompressedFiles = RSReadValue<uint32_t>(stream);
    s.encryptedFiles = RSReadValue<uint32_t>(stream);
    s.checkedEncryptedFiles = RSReadValue<uint32_t>(stream);
    const uint64_t firstSector = RSReadValue<uint64_t>(stream);
    const int32_t sectorsPerCluster = RSReadValue<int32_t>(stream);
    const int32_t kind = RSReadValue<int32_t>(stream);
    const int32_t nameLength = RSReadValue<int32_t>(stream);
    if (nameLength < 0 || nameLength > kMaxNameLength) throw CRSException(RS_ERROR_BAD_LENGTH);
    std::string name;
    if (nameLength > 0) {
        char bytes[kMaxNameLength + 1] = {};
        stream->Read(bytes, unsigned(nameLength));
        name.assign(bytes, std::strlen(bytes));
    }
    m_statistics = s;
    m_firstSectorOfCluster0 = firstSector;
    m_sectorsPerCluster = sectorsPerCluster;
    m_fileSystemKind = kind;
    m_name = std::move(name);
    m_hasName = nameLength > 0;
    return 1;
}

int CFileSystemNode::SetChildUserFlag(CFileNode* node, int value)
{
    IFileProperties* p = node ? node->GetProperties() : nullptr;
    return p ? p->SetUserFlag(value) : 0;
}

bool CFileSystemNode::GetStatistics(FileTreeStatistics& out) const
{
    out = m_statistics;
    return true;
}

bool CFileSystemNode::RecomputeStatistics()
{
    ComputeSubtreeStatistics(this, m_statistics, false, kCheckNone);
    return true;
}

bool CFileSystemNode::RefreshCheckStates()
{
    UpdateCheckState(this);
    return RecomputeStatistics();
}

void CFileSystemNode::AccumulateStatistics(FileTreeStatistics& r, const CFileNode* node)
{
    const IFileProperties* p = node ? node->GetProperties() : nullptr;
    if (!p) return;
    const uint16_t attributes = p->GetAttributes();
    if (attributes & kFileAttrDirectory) return;
    const bool checked = p->GetCheckState() == kCheckAll;
    const uint64_t size = p->GetSize();
    ++r.files;
    r.bytes += size;
    if (checked) {
        ++r.checkedFiles;
        r.checkedBytes += size;
    }
    if (attributes & kFileAttrCompressed) {
        ++r.compressedFiles;
        if (checked) ++r.checkedCompressedFiles;
    }
    if (attributes & kFileAttrEncrypted) {
        ++r.encryptedFiles;
        if (checked) ++r.checkedEncryptedFiles;
    }
}

void CFileSystemNode::AdjustCheckedStatistics(const FileTreeStatistics& r, bool checking)
{
    FileTreeStatistics& s = m_statistics;
    if (checking) {
        s.checkedFiles += r.files - r.checkedFiles;
        s.checkedBytes += r.bytes - r.checkedBytes;
        s.checkedCompressedFiles += r.compressedFiles - r.checkedCompressedFiles;
        s.checkedEncryptedFiles += r.encryptedFiles - r.checkedEncryptedFiles;
    } else {
        // Figures that were never recomputed must not wrap round to huge counts.
        auto less = [](auto& value, auto amount) { value = value > amount ? value - amount : 0; };
        less(s.checkedFiles, r.checkedFiles);
        less(s.checkedBytes, r.checkedBytes);
        less(s.checkedCompressedFiles, r.checkedCompressedFiles);
        less(s.checkedEncryptedFiles, r.checkedEncryptedFiles);
    }
}

uint8_t DeriveFolderCheckState(const CFileNode* folder)
{
    size_t children = 0, all = 0, partial = 0;
    for (const CFileNode* c = folder->GetFirstChild(); c; c = c->GetNextSibling()) {
        ++children;
        const uint8_t state = CheckStateOf(c);
        if (state == kCheckAll)
            ++all;
        else if (state == kCheckPartial)
            ++partial;
    }
    if (all == 0 && partial == 0) return kCheckNone;
    return all < children ? kCheckPartial : kCheckAll;
}

void CFileSystemNode::UpdateCheckState(CFileNode* node)
{
    if (!IsFolder(node)) return;
    // Folders in pre-order, descending only through folders; in reverse every folder comes after all
    // the folders below it, so each one is derived from children that are already up to date.
    std::vector<CFileNode*> folders{node};
    for (size_t i = 0; i < folders.size(); ++i) {
        for (CFileNode* c = folders[i]->GetFirstChild(); c; c = c->GetNextSibling())
            if (IsFolder(c)) folders.push_back(c);
    }
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        (*it)->GetProperties()->SetCheckState(DeriveFolderCheckState(*it));
}

bool CFileSystemNode::ToggleCheckState(CFileNode* target, bool nodeOnly)
{
    IFileProperties* p = target ? target->GetProperties() : nullptr;
    if (!p) return false;
    const uint8_t newState = p->GetCheckState() == kCheckAll ? kCheckNone : kCheckAll;
    const bool checking = newState == kCheckAll;
    if (nodeOnly) {
        p->SetCheckState(newState);
        return true;
    }

    // The subtree's figures as they were, every node taking the new state. File-system nodes inside the
    // subtree now have all or none of their files checked, so their checked figures follow too.
    FileTreeStatistics before;
    std::vector<CFileSystemNode*> inner;
    WalkFileTreeBreadthFirst(target, [&](CFileNode* node) {
        CFileSystemNode::AccumulateStatistics(before, node);
        if (IFileProperties* np = node->GetProperties()) np->SetCheckState(newState);
        if (node != target && node->IsFileSystemNode()) inner.push_back(static_cast<CFileSystemNode*>(node));
    });
    for (CFileSystemNode* fs : inner) {
        FileTreeStatistics& s = fs->m_statistics;
        s.checkedFiles = checking ? s.files : 0;
        s.checkedBytes = checking ? s.bytes : 0;
        s.checkedCompressedFiles = checking ? s.compressedFiles : 0;
        s.checkedEncryptedFiles = checking ? s.encryptedFiles : 0;
    }

    if (target->IsFileSystemNode()) static_cast<CFileSystemNode*>(target)->AdjustCheckedStatistics(before, checking);
    for (CFileNode* up = target->GetParent(); up; up = up->GetParent()) {
        if (IFileProperties* up_p = up->GetProperties()) up_p->SetCheckState(DeriveFolderCheckState(up));
        if (up->IsFileSystemNode()) static_cast<CFileSystemNode*>(up)->AdjustCheckedStatistics(before, checking);
    }
    return true;
}

CFileSystemNode* NewFileSystemNode()
{
    return new CFileSystemNode();
}

void DestroyFileSystemNode(CFileSystemNode* node)
{
    delete node;
}

CFileSystemNode* CreateRootNode()
{
    MyFilePropertiesRecord record;
    std::strcpy(record.name, "Root");
    record.nameLength = 4;
    record.attributes = kFileAttrDirectory;
    auto* properties = new CMyFileProperties();
    properties->SetRecord(record);
    auto* root = new CFileSystemNode();
    root->SetProperties(properties);
    return root;
}
