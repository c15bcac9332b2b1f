// Tree assembly of NTFS record entries by parent record number.
#include "filesystems/ntfs/CNTFSTreeAssembler.h"

#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/RecycleBinNames.h"

#include <algorithm>
#include <cstdio>
#include <deque>

namespace {

// $Extend: the folder of the later system files ($UsnJrnl, $RmMetadata and their own folders).
constexpr int64_t kExtendRecord = 11;
// Records up to this one are reserved for the system: a lost folder this low adopts nothing.
constexpr int64_t kLastReservedRecord = 24;

// The entries not yet placed, ordered by parent (signed; equal parents keep table order). Taking the
// children of a parent removes them all, so every entry is placed at most once and no walk can loop.
class ParentIndex {
public:
    explicit ParentIndex(const std::vector<std::unique_ptr<CNTFSRecordEntry>>& entries)
    {
        m_items.reserve(entries.size());
        for (const auto& e : entries) m_items.push_back({e->parent, e.get()});
        std::stable_sort(m_items.begin(), m_items.end(),
                         [](const Item& a, const Item& b) { return a.first < b.first; });
    }

    // Calls visit for each entry whose parent is key, in order, and takes it out; visit answers false to stop.
    template <class Visit>
    void Take(int64_t key, Visit&& visit)
    {
        auto it =
            std::lower_bound(m_items.begin(), m_items.end(), key, [](const Item& a, int64_t k) { return a.first < k; });
        for (; it != m_items.end() && it->first == key; ++it) {
            if (!it->second) continue;
            CNTFSRecordEntry* entry = std::exchange(it->second, nullptr);
            if (!visit(entry)) return;
        }
    }

    std::vector<std::pair<int64_t, CNTFSRecordEntry*>> LeftOver() const
    {
        std::vector<std::pair<int64_t, CNTFSRecordEntry*>> out;
        for (const Item& i : m_items)
            if (i.second) out.push_back(i);
        return out;
    }

private:
    using Item = std::pair<int64_t, CNTFSRecordEntry*>;
    std::vector<Item> m_items;
};

CFileNode* NodeTakingProperties(CNTFSRecordEntry* entry)
{
    CFileNode* node = NewFileNode();
    node->SetUserData(entry);
    node->SetProperties(entry->properties.release());
    return node;
}

} // namespace

int64_t RecordNumberOfSector(uint64_t sector, const CNTFSMftCandidate& candidate, uint64_t partitionStart,
                             uint32_t sectorsPerCluster)
{
    const uint32_t perRecord = candidate.GetSectorsPerRecord();
    if (sectorsPerCluster == 0 || perRecord == 0 || sector < partitionStart) return -1;
    const uint64_t d = sector - partitionStart;
    const uint64_t cluster = d / sectorsPerCluster;
    if (cluster > uint64_t(INT64_MAX)) return -1;
    const int64_t vcn = candidate.GetRunList().LcnToVcn(int64_t(cluster));
    if (vcn < 0 || uint64_t(vcn) > (uint64_t(INT64_MAX) - sectorsPerCluster) / sectorsPerCluster) return -1;
    const uint64_t x = uint64_t(vcn) * sectorsPerCluster + d % sectorsPerCluster;
    return x % perRecord != 0 ? -1 : int64_t(x / perRecord);
}

bool CNTFSTreeAssembler::Cancelled(int answer)
{
    if (answer == -1) m_cancelled = true;
    return m_cancelled;
}

CFileNode* CNTFSTreeAssembler::Assemble(CNTFSMftTable& table, CFileNode* root, const CSearchedPartitionInfo& partition,
                                        IDIRBuildCallback* callback)
{
    if (!root || !callback || Cancelled(callback->CheckCancel())) return nullptr;
    ParentIndex index(table.GetEntries());
    const CNTFSMftCandidate& candidate = table.GetCandidate();
    const auto keyOf = [&](const CNTFSRecordEntry* e) {
        return e->recordNumber != -1
                   ? e->recordNumber
                   : RecordNumberOfSector(e->recordSector, candidate, partition.u64DataAreaStartSector,
                                          partition.bySectorsPerCluster);
    };

    std::deque<CFileNode*> folders;
    CFileNode* node = root;
    int64_t key = int64_t(ntfs::kRootFolderRecord);
    while (true) {
        // A folder whose record number is unknown has no children to look for (-1 is "no parent").
        if (key >= 0) {
            RecyclePendingList pending;
            const bool recycleBin = IsInRecycleBin(node);
            index.Take(key, [&](CNTFSRecordEntry* entry) {
                if (entry->properties) {
                    CFileNode* child = node->AddChild(NodeTakingProperties(entry));
                    if (entry->folder) folders.push_back(child);
                    Cancelled(callback->Step(1));
                    if (recycleBin) {
                        if (CFileNode* partner = FindRecyclePartner(pending, child)) {
                            const bool childIsInfo = IsRecycleInfoFile(child);
                            ApplyRecycleInfo(m_device, childIsInfo ? partner : child, childIsInfo ? child : partner);
                        }
                    }
                }
                return !Cancelled(callback->CheckCancel());
            });
        }
        if (m_cancelled || folders.empty()) break;
        node = folders.front();
        folders.pop_front();
        key = keyOf(static_cast<const CNTFSRecordEntry*>(node->GetUserData()));
        if (Cancelled(callback->CheckCancel())) break;
    }

    // The system files below $Extend are no files of the user's: they stay out of the tree rather than
    // turning up as lost files. Their entries keep their properties, freed with the table.
    std::vector<int64_t> systemFolders{kExtendRecord};
    while (!m_cancelled && !systemFolders.empty()) {
        const int64_t folder = systemFolders.back();
        systemFolders.pop_back();
        index.Take(folder, [&](CNTFSRecordEntry* entry) {
            const int64_t k = keyOf(entry);
            if (entry->folder && k >= 0) systemFolders.push_back(k);
            return true;
        });
    }

    if (CFileNode* lost = GatherOrphans(index.LeftOver(), callback)) root->AddChild(lost);
    return root;
}

CFileNode* CNTFSTreeAssembler::GatherOrphans(const std::vector<std::pair<int64_t, CNTFSRecordEntry*>>& leftOver,
                                             IDIRBuildCallback* callback)
{
    if (m_cancelled || !callback || Cancelled(callback->CheckCancel())) return nullptr;
    struct Item {
        int64_t key;
        CFileNode* node;
        const CNTFSRecordEntry* entry;
    };
    std::vector<Item> items;
    for (const auto& [parent, entry] : leftOver)
        if (entry && entry->properties) items.push_back({parent, NodeTakingProperties(entry), entry});
    if (items.empty()) return nullptr;
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.key < b.key; });

    // Adoption only ever links a node without a parent under another, so the top of each node's tree is
    // found through these links; a node that is the top of the adopter's tree is its ancestor.
    std::vector<size_t> up(items.size());
    for (size_t i = 0; i < up.size(); ++i) up[i] = i;
    const auto top = [&](size_t i) {
        size_t t = i;
        while (up[t] != t) t = up[t];
        while (up[i] != t) i = std::exchange(up[i], t);
        return t;
    };

    for (size_t i = 0; i < items.size(); ++i) {
        const Item& adopter = items[i];
        const int64_t number = adopter.entry->recordNumber;
        if ((adopter.node->GetProperties()->GetAttributes() & kFileAttrDirectory) && number > kLastReservedRecord) {
            auto it = std::lower_bound(items.begin(), items.end(), number,
                                       [](const Item& a, int64_t k) { return a.key < k; });
            for (; it != items.end() && it->key == number; ++it) {
                const size_t j = size_t(it - items.begin());
                if (j == i || it->node->GetParent() || top(i) == j) continue;
                adopter.node->AddChild(it->node);
                up[j] = i;
            }
        }
        if (Cancelled(callback->Step(1))) break;
    }

    auto* properties = new CNTFSFileProperties();
    char name[32];
    std::snprintf(name, sizeof name, "LostFiles%d", ++m_lostFolders);
    properties->SetBuiltName(name);
    properties->SetAttributes(kFileAttrDirectory);
    properties->SetState(kFileStateTemporary);
    CFileNode* folder = NewFileNode();
    folder->SetProperties(properties);
    for (const Item& item : items)
        if (!item.node->GetParent()) folder->AddChild(item.node);
    return folder;
}

void ClearEntryLinks(CFileNode* root)
{
    WalkFileTreeBreadthFirst(root, [](CFileNode* node) { node->SetUserData(nullptr); });
}
