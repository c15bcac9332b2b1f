// The found-file tree section.
#include "storage/recoverystate/RSFileTree.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/tree/CMyFileProperties.h"
#include "filesystems/tree/CRAWFileProperties.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Log.h"

namespace {

// Both sides must agree on which nodes have a group of children in the section.
bool IsSavedFolder(const IFileProperties* properties)
{
    return properties &&
           ((properties->GetAttributes() & kFileAttrDirectory) || properties->GetPropertiesType() == kPropertiesPlain);
}

// What plain properties come back as: they store nothing, and the only ones a tree holds are those of
// its synthetic root.
IFileProperties* NewRestoredPlainProperties()
{
    MyFilePropertiesRecord record;
    std::strcpy(record.name, "Root");
    record.nameLength = 4;
    record.attributes = kFileAttrDirectory;
    auto* properties = new CMyFileProperties();
    properties->SetRecord(record);
    return properties;
}

// Empty properties of a stored type, to read them into; null for a type this program does not know.
IFileProperties* NewStoredProperties(uint32_t type)
{
    if (type == kPropertiesRAW) return CreateRAWFileProperties();
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.newProperties && fs.propertiesType == int64_t(type)) return fs.newProperties();
    return nullptr;
}

struct NodeDeleter {
    void operator()(CFileNode* node) const { DeleteFileNode(node); }
};
using NodeHolder = std::unique_ptr<CFileNode, NodeDeleter>;

// Positions 41..45 for the first five folders, then a share of 50 from 40 on (never past 90: the
// writer's share can exceed 50 once the queue runs short); only rises are reported.
class TreeProgress {
public:
    TreeProgress(IDIRBuildCallback* callback, bool writing) : m_callback(callback), m_writing(writing) {}

    void FolderTaken(size_t queuedIncludingThis)
    {
        ++m_counted;
        int64_t position;
        if (m_counted <= 5) {
            position = m_last + 1;
        } else {
            const uint64_t divisor =
                m_writing ? 2 * uint64_t(queuedIncludingThis) : m_counted + uint64_t(queuedIncludingThis);
            position = std::min<int64_t>(int64_t(m_counted * 50 / divisor), 50) + 40;
        }
        if (position > m_last) {
            m_last = position;
            if (m_callback) m_callback->SetPos(int(position));
        }
    }

    void Tick()
    {
        if (m_callback) m_callback->CheckCancel();
    }

private:
    IDIRBuildCallback* m_callback;
    bool m_writing;
    uint64_t m_counted = 0;
    int64_t m_last = 40;
};

} // namespace

void WriteFileProperties(const IFileProperties* properties, IRSData* stream)
{
    try {
        if (!properties) {
            // Only a root can come here without properties: stored as plain, it comes back as "Root".
            RSWriteValue<uint32_t>(stream, uint32_t(kPropertiesPlain));
            return;
        }
        RSWriteValue<uint32_t>(stream, uint32_t(properties->GetPropertiesType()));
        properties->Write(stream);
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d\n", e.GetCode());
        throw;
    }
}

IFileProperties* ReadFileProperties(IRSData* stream)
{
    std::unique_ptr<IFileProperties> properties;
    try {
        const uint32_t type = RSReadValue<uint32_t>(stream);
        if (type == kPropertiesPlain) return NewRestoredPlainProperties();
        properties.reset(NewStoredProperties(type));
        // Not knowing the kind means not knowing how many bytes it takes: the rest cannot be read.
        if (!properties) throw CRSException(RS_ERROR_BAD_LENGTH);
        properties->Read(stream);
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d\n", e.GetCode());
        throw;
    }
    return properties.release();
}

bool SaveFileTree(CFileSystemNode* root, IRSData* stream, IDIRBuildCallback* progress)
{
    if (!root || !stream) return false;
    try {
        if (!stream->BeginSection(kRSFileTreeGuid)) return false;
        RSWriteValue<uint32_t>(stream, kTreeNodeKindFileSystem);
        root->Write(stream);
        WriteFileProperties(root->GetProperties(), stream);

        TreeProgress position(progress, true);
        std::deque<CFileNode*> folders{root};
        std::vector<CFileNode*> children;
        while (!folders.empty()) {
            position.FolderTaken(folders.size());
            CFileNode* folder = folders.front();
            folders.pop_front();
            children.clear();
            for (CFileNode* c = folder->GetFirstChild(); c; c = c->GetNextSibling()) children.push_back(c);
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                CFileNode* child = *it;
                // A node without properties would be dropped by the reader: leave it (and what hangs
                // below it) out.
                if (!child->GetProperties()) continue;
                RSWriteValue<uint32_t>(stream, child->IsFileSystemNode() ? kTreeNodeKindFileSystem : kTreeNodeKindFile);
                child->Write(stream);
                WriteFileProperties(child->GetProperties(), stream);
                if (IsSavedFolder(child->GetProperties())) folders.push_back(child);
                position.Tick();
            }
            RSWriteValue<uint32_t>(stream, kTreeEndOfChildren);
        }
        stream->EndSection();
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        throw;
    }
    return true;
}

CFileSystemNode* LoadFileTree(IRSData* stream, IDIRBuildCallback* progress)
{
    if (!stream) return nullptr;
    CFileSystemNode* root = nullptr;
    try {
        stream->BeginSection(kRSFileTreeGuid);
        if (RSReadValue<uint32_t>(stream) != kTreeNodeKindFileSystem) {
            stream->EndSection();
            return nullptr;
        }
        root = NewFileSystemNode();
        root->Read(stream);
        root->SetProperties(ReadFileProperties(stream));

        TreeProgress position(progress, false);
        std::deque<CFileNode*> folders{root};
        while (!folders.empty()) {
            position.FolderTaken(folders.size());
            CFileNode* folder = folders.front();
            folders.pop_front();
            for (;;) {
                const uint32_t kind = RSReadValue<uint32_t>(stream);
                if (kind == kTreeEndOfChildren) break;
                NodeHolder node;
                if (kind == kTreeNodeKindFile) {
                    node.reset(NewFileNode());
                } else if (kind == kTreeNodeKindFileSystem) {
                    node.reset(NewFileSystemNode());
                } else {
                    throw CRSException(RS_ERROR_BAD_LENGTH);
                }
                node->Read(stream);
                std::unique_ptr<IFileProperties> properties(ReadFileProperties(stream));
                if (properties) {
                    const bool isFolder = IsSavedFolder(properties.get());
                    node->SetProperties(properties.release());
                    CFileNode* child = folder->AddChild(node.release());
                    if (isFolder) folders.push_back(child);
                }
                position.Tick();
            }
        }
        stream->EndSection();
    } catch (const IRSException& e) {
        ReleaseTrace("RS Exception:%d", e.GetCode());
        DeleteFoundTree(root);
        throw;
    }
    return root;
}
