// The ext2 tree build: the partition folder and the root directory, the walk of every inode with names
// matched up between directories and inodes in either order, orphans under the partition, then the
// listing filter.
#include "filesystems/ext2/CExt2TreeBuilder.h"

#include "core/CRecoverySettings.h"
#include "core/devices/CReadLossRelay.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/ext2/CExt2BlockMapWalker.h"
#include "filesystems/ext2/CExt2DirEntry.h"
#include "filesystems/ext2/CExt2FileProperties.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2InodeIterator.h"
#include "filesystems/ext2/Ext2Collector.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/ext2/LogExt2Error.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/common/PartitionNaming.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/TreeReshaping.h"
#include "platform/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <type_traits>

namespace {

constexpr const char* kReadingFiles = "Reading files";
constexpr const char* kBuildingDirectories = "Building Directories...";

std::string InodeName(uint32_t inode)
{
    char text[32];
    std::snprintf(text, sizeof text, "Inode_%lx", static_cast<unsigned long>(inode));
    return text;
}

// Seconds since 1970 as stored (signed; none before 1970), as local calendar time kept as a FILETIME.
FILETIME Ext2Time(uint32_t stored)
{
    const int32_t seconds = std::max<int32_t>(int32_t(stored), 0);
    return plat::FileTimeToLocalFileTime(plat::FileTimeFromUnix(seconds));
}

CExt2FileProperties* Properties(const CFileNode* node)
{
    return static_cast<CExt2FileProperties*>(node->GetProperties());
}

bool IsFolder(const CFileNode* node)
{
    return (node->GetProperties()->GetAttributes() & kFileAttrDirectory) != 0;
}

// Whether node is candidate itself or lies inside candidate's subtree.
bool IsSameOrInside(const CFileNode* node, const CFileNode* candidate)
{
    for (const CFileNode* n = node; n; n = n->GetParent())
        if (n == candidate) return true;
    return false;
}

// Inode objects live in collected memory, which never runs destructors.
static_assert(std::is_trivially_copyable_v<CExt2Inode> && std::is_trivially_destructible_v<CExt2Inode>);

// Holds one inode object of the collected heap at a time, giving the previous one back.
class CollectedInodeSlot {
public:
    ~CollectedInodeSlot() { Ext2CollectedFree(m_slot); }
    CExt2Inode* Fresh()
    {
        Ext2CollectedFree(m_slot);
        m_slot = Ext2CollectedAllocHeld(sizeof(CExt2Inode));
        return new (m_slot) CExt2Inode();
    }

private:
    void* m_slot = nullptr;
};

} // namespace

CExt2TreeBuilder::~CExt2TreeBuilder()
{
    FreePending();
}

void CExt2TreeBuilder::FreePending()
{
    for (auto& [inode, node] : m_pending) DeleteTreeNodesAndProperties(node);
    m_pending.clear();
}

bool CExt2TreeBuilder::Cancelled(int answer)
{
    if (answer == -1) m_result.Merge(bytes::ParseStatus::Cancelled);
    return m_result.status == bytes::ParseStatus::Cancelled;
}

void CExt2TreeBuilder::PassedOver(const std::exception& e)
{
    if (Ext2ErrorStatus(e) == bytes::ParseStatus::IoFailure) {
        ++m_result.counters.readFailures;
        m_result.Merge(bytes::ParseStatus::IoFailure);
    } else {
        ++m_result.counters.corruptSkipped;
    }
}

CFileSystemNode* CExt2TreeBuilder::BuildTree(CExt2FileSystem* fs, IDIRBuildCallback* callback, bool withBitmap)
{
    Ext2CollectorThread collectorThread;
    m_fs = fs;
    m_callback = callback;
    m_result = {};
    FreePending();
    m_named.clear();
    m_usedBlocks.clear();

    CFileSystemNode* root = MakeRoot();
    if (withBitmap) {
        // Blocks past the device's end (a found partition on a cut image) can hold no data.
        const int64_t start = fs->BlockToSector(0);
        const uint64_t sectors = fs->GetDevice()->GetSectorCount();
        const uint64_t onDevice =
            start >= 0 && uint64_t(start) < sectors ? (sectors - uint64_t(start)) / fs->GetSectorsPerBlock() : 0;
        m_usedBlocks.assign(std::min<uint64_t>(fs->GetSuperBlock().Record().s_blocks_count, onDevice), false);
    }
    try {
        ScanInodes();
    } catch (const std::exception& e) {
        LogExt2Exception(e);
        m_result.Merge(Ext2ErrorStatus(e));
    }
    const bool complete = m_result.status != bytes::ParseStatus::Cancelled && AttachOrphans(root);
    m_named.clear();
    if (!complete) {
        FreePending();
        DeleteTreeNodesAndProperties(root);
        return nullptr;
    }
    Prune(root);
    return root;
}

CFileSystemNode* CExt2TreeBuilder::MakeRoot()
{
    const int kind = m_fs->GetKind();
    const char* label = kind == kFsKindExt2 ? "Ext2" : kind == kFsKindExt3 ? "Ext3" : "Ext?";
    auto* properties = new CExt2FileProperties();
    properties->SetName(FormatPartitionName(label, m_partitionIndex + 1).c_str());
    properties->SetAttributes(kFileAttrDirectory);
    properties->SetInodeNumber(ext2::kRootInode);
    const std::string volumeName = m_fs->GetVolumeName();
    CFileSystemNode* root = NewPartitionNode(properties, uint64_t(m_fs->BlockToSector(0)),
                                             uint8_t(m_fs->GetSectorsPerBlock()), kind, volumeName.c_str());
    try {
        const CExt2Inode rootInode(m_fs, ext2::kRootInode);
        if (rootInode.IsUsable()) ReadDirectory(rootInode, root);
    } catch (const std::exception& e) {
        PassedOver(e);
    }
    return root;
}

void CExt2TreeBuilder::ScanInodes()
{
    if (m_callback &&
        Cancelled(m_callback->Begin(kReadingFiles, int(std::min<uint64_t>(m_fs->GetGroupCount(), INT32_MAX)))))
        return;
    CollectedInodeSlot slot;
    uint64_t previousGroup = UINT64_MAX;
    for (CExt2InodeIterator it(m_fs); !it.AtEnd(); it.Next()) {
        CExt2Inode* inode = slot.Fresh();
        try {
            it.GetInode(*inode);
        } catch (const std::out_of_range& e) {
            LogExt2Exception(e); // the tables lie outside the device: nothing further can be read
            m_result.Merge(bytes::ParseStatus::Corrupt);
            break;
        } catch (const std::exception& e) {
            PassedOver(e);
            continue;
        }
        ++m_result.counters.recordsRead;
        if (m_callback) {
            const uint64_t group = it.GetGroup();
            if (group != previousGroup) {
                previousGroup = group;
                if (Cancelled(m_callback->Step(1))) break;
            }
            if (Cancelled(m_callback->CheckCancel())) break;
        }
        if (!inode->IsUsable()) continue;
        try {
            PlaceInode(*inode);
        } catch (const std::exception& e) {
            LogExt2Exception(e);
            PassedOver(e);
        }
    }
}

void CExt2TreeBuilder::PlaceInode(const CExt2Inode& inode)
{
    CFileNode* node = NewFileNode();
    node->SetProperties(MakeProperties(inode, m_usedBlocks.empty() ? nullptr : &m_usedBlocks));
    const uint32_t number = inode.GetInodeNumber();
    auto named = m_named.find(number);
    if (named != m_named.end()) {
        CFileNode* parent = named->second;
        m_named.erase(named);
        std::string name = Properties(parent)->TakePendingName(number);
        node->GetProperties()->SetName((name.empty() ? InodeName(number) : name).c_str());
        // A folder that would end up inside itself stays pending and becomes an orphan.
        if (IsFolder(node) && IsSameOrInside(parent, node))
            m_pending[number] = node;
        else
            parent->AddChild(node);
    } else {
        m_pending[number] = node;
    }
    if (inode.IsDirectory()) ReadDirectory(inode, node);
}

void CExt2TreeBuilder::ReadDirectory(const CExt2Inode& folder, CFileNode* folderNode)
{
    for (CExt2DirEntry cursor(folder, 0); !cursor.AtEnd(); cursor.Next()) {
        try {
            const CExt2Inode entry = cursor.MakeInode();
            if (!entry.IsUsable()) continue;
            const std::string name(entry.GetName(), entry.GetNameLength());
            if (name == "." || name == "..") continue;
            const uint32_t number = entry.GetInodeNumber();
            auto pending = m_pending.find(number);
            if (pending == m_pending.end()) {
                Properties(folderNode)->AddPendingName(number, name);
                m_named[number] = folderNode;
                continue;
            }
            CFileNode* node = pending->second;
            node->GetProperties()->SetName((name.empty() ? InodeName(number) : name).c_str());
            // A folder whose subtree holds the directory being read would close a cycle: it stays pending, to
            // become an orphan unless another directory names it.
            if (IsFolder(node) && IsSameOrInside(folderNode, node)) continue;
            folderNode->AddChild(node);
            m_pending.erase(pending);
        } catch (const std::exception& e) {
            PassedOver(e);
        }
    }
}

bool CExt2TreeBuilder::AttachOrphans(CFileNode* root)
{
    if (m_callback &&
        Cancelled(m_callback->Begin(kBuildingDirectories, int(std::min<size_t>(m_pending.size(), INT32_MAX)))))
        return false;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (m_callback && (Cancelled(m_callback->Step(1)) || Cancelled(m_callback->CheckCancel()))) return false;
        CFileNode* node = it->second;
        if (node->GetProperties()->GetNameLength() == 0) node->GetProperties()->SetName(InodeName(it->first).c_str());
        root->AddChild(node);
        it = m_pending.erase(it);
    }
    return true;
}

void CExt2TreeBuilder::Prune(CFileNode* root)
{
    std::vector<CFileNode*> folders{root};
    while (!folders.empty()) {
        CFileNode* folder = folders.back();
        folders.pop_back();
        std::vector<CFileNode*> children;
        for (CFileNode* child = folder->GetFirstChild(); child; child = child->GetNextSibling())
            children.push_back(child);
        for (CFileNode* child : children) {
            if (IsFolder(child)) {
                folders.push_back(child);
            } else if (!IsExtensionWanted(child->GetProperties()->GetName(), false)) {
                folder->RemoveChild(child);
                DeleteTreeNodesAndProperties(child);
            }
        }
    }
}

IDataRunList* CExt2TreeBuilder::BuildRuns(const CExt2Inode& inode, std::vector<bool>* bitmap)
{
    auto runs = std::make_unique<CExt2DataRunList>();
    CExt2FileSystem* fs = inode.GetFileSystem();
    if (!fs || fs->GetBlockSize() == 0) return runs.release();
    const uint64_t blockSize = fs->GetBlockSize();
    const bool sparse = inode.IsSparse();
    const uint64_t limit = sparse ? (inode.GetSize() + blockSize - 1) / blockSize : inode.GetBlockCount();
    CExt2BlockMapWalker(inode).Walk(limit, fs->GetSuperBlock().Record().s_blocks_count,
                                    [&](uint64_t, uint32_t block, uint64_t count) {
                                        if (block == 0) {
                                            if (!sparse) return false;
                                            runs->AddRun({kSparseCluster, count});
                                            return true;
                                        }
                                        runs->AddRun({int64_t(block), 1});
                                        if (bitmap && block < bitmap->size()) (*bitmap)[block] = true;
                                        return true;
                                    });
    return runs.release();
}

CExt2FileProperties* CExt2TreeBuilder::MakeProperties(const CExt2Inode& inode, std::vector<bool>* bitmap)
{
    auto* properties = new CExt2FileProperties();
    properties->SetTimes(Ext2Time(inode.GetChangeTime()), Ext2Time(inode.GetModificationTime()),
                         Ext2Time(inode.GetAccessTime()));
    properties->SetSize(inode.GetSize());
    if (inode.IsDirectory()) {
        properties->SetAttributes(kFileAttrDirectory);
    } else {
        if (inode.IsSparse()) properties->SetAttributes(kFileAttrSparse);
        std::unique_ptr<IDataRunList> runs(BuildRuns(inode, bitmap));
        properties->SetRunList(runs.get());
    }
    properties->SetInodeNumber(inode.GetInodeNumber());
    if (inode.IsDeleted()) properties->SetState(kFileStateDeleted);
    return properties;
}

CFileSystemNode* CExt2TreeBuilder::RunOnWorker(const std::function<CFileSystemNode*()>& work, const MessagePump& pump)
{
    m_result = {};
    std::atomic<bool> done{false};
    CFileSystemNode* result = nullptr;
    CReadLossRelay losses;
    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                CReadLossRelay::Collector collect(losses);
                result = work();
            } catch (...) {
                result = nullptr;
                m_result.Merge(bytes::ParseStatus::Corrupt);
            }
            done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        m_result.Merge(bytes::ParseStatus::IoFailure); // nothing could be read
        return nullptr;
    }
    while (!done.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (pump) pump();
    }
    worker.join();
    losses.Deliver();
    return result;
}

CFileSystemNode* CExt2TreeBuilder::Build(IStorageDevice* device, IDIRBuildCallback* callback, uint64_t superBlockSector,
                                         bool withBitmap, const MessagePump& pump)
{
    return RunOnWorker(
        [&]() -> CFileSystemNode* {
            std::unique_ptr<CExt2FileSystem> fs;
            try {
                fs = std::make_unique<CExt2FileSystem>(device, superBlockSector);
            } catch (const std::exception& e) {
                m_result.Merge(Ext2ErrorStatus(e));
                return nullptr;
            }
            return BuildTree(fs.get(), callback, withBitmap);
        },
        pump);
}

CFileSystemNode* CExt2TreeBuilder::BuildOnWorker(CExt2FileSystem* fs, IDIRBuildCallback* callback,
                                                 const MessagePump& pump)
{
    return RunOnWorker(
        [&]() -> CFileSystemNode* {
            if (fs) return BuildTree(fs, callback, true);
            m_result.Merge(bytes::ParseStatus::Corrupt);
            return nullptr;
        },
        pump);
}

CFileSystemNode* Ext2BuildDirectoryThread(CExt2TreeBuilder* builder, IStorageDevice* device,
                                          IDIRBuildCallback* callback, uint64_t superBlockSector, int bitmapFlag,
                                          const CExt2TreeBuilder::MessagePump& pump)
{
    return builder ? builder->Build(device, callback, superBlockSector, bitmapFlag != 0, pump) : nullptr;
}

CFileSystemNode* Ext2BuildDirectoryTreeThread(CExt2TreeBuilder* builder, CExt2FileSystem* fs,
                                              IDIRBuildCallback* callback, const CExt2TreeBuilder::MessagePump& pump)
{
    return builder ? builder->BuildOnWorker(fs, callback, pump) : nullptr;
}
