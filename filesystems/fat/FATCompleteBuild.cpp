// The complete FAT build over the scan's directory sectors: walk, layout, lost folders and clusters,
// placeholder repair, the "Raw Files" folder and the pruning.
#include "filesystems/fat/FATCompleteBuild.h"

#include "core/CRecoverySettings.h"
#include "core/devices/CReadLossRelay.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/fat/CFATBuildContext.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/fat/CFATTreeBuilder.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/tree/CClusterUseBitMap.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/CRawResultTreeBuilder.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/TreeReshaping.h"
#include "platform/Clock.h"
#include "platform/Log.h"

#include <algorithm>
#include <atomic>
#include <cinttypes>
#include <deque>
#include <system_error>
#include <thread>
#include <vector>

namespace {

CFATFileProperties* FATProps(CFileNode* node)
{
    return node ? static_cast<CFATFileProperties*>(node->GetProperties()) : nullptr;
}

bool IsDirectoryNode(CFileNode* node)
{
    const IFileProperties* p = node->GetProperties();
    return p && (p->GetAttributes() & fat::kAttrDirectory);
}

// The records whose sector lies in [low, high).
std::pair<FATDirSectorSet::const_iterator, FATDirSectorSet::const_iterator> RecordRange(const FATDirSectorSet& set,
                                                                                        uint64_t low, uint64_t high)
{
    auto below = [](const FATDirSectorRecord& r, uint64_t s) { return r.sector < s; };
    auto from = std::lower_bound(set.begin(), set.end(), low, below);
    auto to = std::lower_bound(from, set.end(), std::max(low, high), below);
    return {from, to};
}

// True when candidate lies in the subtree of node (hanging node there would make a loop).
bool IsInSubtree(CFileNode* candidate, CFileNode* node)
{
    for (CFileNode* n = candidate; n; n = n->GetParent())
        if (n == node) return true;
    return false;
}

} // namespace

void FixPlaceholderDirectories(CFileNode* node)
{
    std::vector<CFileNode*> placeholders, deleted;
    for (CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        if (!IsDirectoryNode(child)) continue;
        const uint16_t state = child->GetProperties()->GetState();
        if (state & kFileStateTemporary)
            placeholders.push_back(child);
        else if ((state & kFileStateDeleted) && !child->GetFirstChild())
            deleted.push_back(child);
    }
    for (CFileNode* d : deleted) {
        CFATFileProperties* dp = FATProps(d);
        for (auto it = placeholders.begin(); it != placeholders.end(); ++it) {
            CFileNode* t = *it;
            CFATFileProperties* tp = FATProps(t);
            if ((tp->GetFirstCluster() & 0xFFFF) != dp->GetFirstCluster()) continue;
            ReleaseTrace("Replace a temp directory %s first clusternum %x with directory %s firstclusternum %x!",
                         tp->GetName(), tp->GetFirstCluster(), dp->GetName(), dp->GetFirstCluster());
            dp->SetFirstCluster(tp->GetFirstCluster());
            t->SetProperties(dp);
            d->SetProperties(tp);
            placeholders.erase(it);
            break;
        }
    }
}

void BuildLostClusters(CFATBuildContext& context, IStorageDevice* device, CFileNode* lostFolders,
                       const FATDirSectorSet& dirSectors)
{
    const FATVolumeGeometry& g = context.GetGeometry();
    const auto [from, to] = RecordRange(dirSectors, g.dataStart, g.start + g.sectorCount);
    if (from == to) return;
    IDIRBuildCallback& progress = CallbackOrQuiet(context.GetCallback());
    progress.Begin(kFATTextBuildingLostFiles, int(std::min<ptrdiff_t>(to - from, INT32_MAX)));
    const size_t clusterBytes = size_t(g.sectorsPerCluster) * size_t(context.GetSectorSize());
    std::vector<uint8_t> cluster(clusterBytes);
    for (auto it = from; it != to; ++it) {
        progress.Step(1);
        if (it->IsDirectoryStart() || !context.IsClusterStart(it->sector)) continue;
        const uint32_t number = context.SectorToCluster(it->sector);
        if (context.GetVisitedClusters().count(number)) continue;
        // The answer does not stop this pass; the caller sees the cancel afterwards.
        progress.CheckCancel();
        if (!device->ReadSectors(cluster.data(), it->sector, g.sectorsPerCluster)) continue;
        ReleaseTrace("Build Lost Cluster %u Sector %" PRIu64, number, it->sector);
        CFileNode* folder =
            lostFolders->AddChild(CFATBuildContext::MakePlaceholderDirNode(kFATNoCluster, kFATNoCluster).release());
        FATDirectoryQueue scratch;
        context.ProcessDirectoryEntries(cluster, folder, scratch, true, true);
    }
    progress.Finish();
}

CFileSystemNode* CompleteBuildTree(CFATBuildContext& context, IStorageDevice* device, const FATDirSectorSet& dirSectors,
                                   int index, bytes::ParseResult* result)
{
    bytes::ParseStatus root = bytes::ParseStatus::Ok;
    // The verdict of the walk as it stands when the build returns.
    auto report = [&] {
        if (!result) return;
        *result = {};
        result->counters = context.GetCounters();
        result->Merge(root);
        if (result->counters.readFailures != 0) result->Merge(bytes::ParseStatus::IoFailure);
        if (context.IsCancelled()) result->Merge(bytes::ParseStatus::Cancelled);
    };
    IDIRBuildCallback& progress = CallbackOrQuiet(context.GetCallback());
    const FATVolumeGeometry& g = context.GetGeometry();
    CFileSystemNode* partition = context.MakePartitionNode(index);
    FATDirectoryQueue scratch;
    if (g.rootPresent) root = context.WalkRootDirectory(partition, scratch, true);
    auto& map = context.GetDirectoryMap();
    map[0] = partition;

    uint64_t low = g.dataStart;
    if (!g.rootPresent && g.type != kFsKindFat32) {
        // The fixed root of FAT12/16 lies just below the data start: up to 128 KiB of it is read as entries.
        const uint64_t rootArea = 131072 / uint64_t(context.GetSectorSize());
        low = g.dataStart > rootArea ? g.dataStart - rootArea : 0;
    }
    const auto [from, to] = RecordRange(dirSectors, low, g.start + g.sectorCount);
    if (from == to) {
        report();
        return partition;
    }
    // Where the FAT no longer links a folder's clusters, the scan's directory sectors tell where it goes on.
    context.SetDirectoryPartTest([&context, first = from, last = to](uint32_t cluster) {
        const uint64_t sector = context.ClusterToSector(cluster);
        auto found =
            std::lower_bound(first, last, sector, [](const FATDirSectorRecord& r, uint64_t s) { return r.sector < s; });
        return found != last && found->sector == sector && !found->IsDirectoryStart();
    });

    progress.Begin(kFATTextBuildingNormalFiles, int(std::min<ptrdiff_t>(to - from, INT32_MAX)));
    for (auto it = from; it != to && !context.IsCancelled(); ++it) {
        progress.Step(1);
        if (it->sector < g.dataStart) {
            context.ProcessRootAreaSector(it->sector);
            continue;
        }
        if (!it->IsDirectoryStart()) continue;
        const uint32_t cluster = it->dotCluster;
        if (context.SectorToCluster(it->sector) != cluster || !context.IsClusterStart(it->sector)) continue;
        ReleaseTrace("Build Cluster %u Sector %" PRIu64, cluster, it->sector);
        CFileNode* node;
        if (auto found = map.find(cluster); found != map.end()) {
            node = found->second;
        } else {
            // Until the layout hangs it in the tree, the map holds it (and FreeBuildTree frees it).
            node = CFATBuildContext::MakePlaceholderDirNode(cluster, it->dotDotCluster).release();
            map[cluster] = node;
        }
        FATDirectoryQueue walked;
        if (context.WalkClusterChain(node, cluster, walked, false, true) == bytes::ParseStatus::Cancelled) break;
    }
    progress.Finish();

    if (!context.IsCancelled()) {
        progress.Begin(kFATTextBuildingLayout, int(std::min<size_t>(map.size(), INT32_MAX)));
        CFileNode* lost = nullptr;
        auto lostFolders = [&] {
            if (!lost) lost = partition->AddChild(CFATBuildContext::MakeLostFoldersNode().release());
            return lost;
        };
        for (auto& [cluster, node] : map) {
            progress.Step(1);
            if (node == partition || node->GetParent()) continue;
            const CFATFileProperties* p = FATProps(node);
            const uint32_t parentCluster = p ? p->GetParentCluster() : kFATNoCluster;
            if (parentCluster == kFATNoCluster) continue;
            auto parent = map.find(parentCluster);
            // A parent inside this folder's own subtree would hang the folder below itself.
            if (parent != map.end() && !IsInSubtree(parent->second, node))
                parent->second->AddChild(node);
            else
                lostFolders()->AddChild(node);
        }
        progress.Finish();
        context.SetLostFoldersNode(lostFolders());
        BuildLostClusters(context, device, lostFolders(), dirSectors);
        context.SetLostFoldersNode(nullptr);

        progress.Begin(kFATTextFixingDirectories, 100);
        std::deque<CFileNode*> queue{partition};
        uint64_t done = 0, lastPercent = 0;
        while (!queue.empty()) {
            CFileNode* folder = queue.front();
            queue.pop_front();
            if (++done > 5) {
                const uint64_t percent = done * 100 / (done + queue.size());
                if (percent > lastPercent) {
                    lastPercent = percent;
                    if (progress.SetPos(int(percent)) == -1) context.Cancel();
                }
            }
            FixPlaceholderDirectories(folder);
            for (CFileNode* child = folder->GetFirstChild(); child; child = child->GetNextSibling())
                if (IsDirectoryNode(child)) queue.push_back(child);
        }
        progress.Finish();
    }
    report();
    if (context.IsCancelled()) {
        context.FreeBuildTree(partition);
        return nullptr;
    }
    return partition;
}

CFileSystemNode* FATCompleteBuild(IDIRBuildCallback* callback, const FATDirSectorSet& dirSectors,
                                  CFATSearchedPartitionInfo* partition, CRawFileList* hits, IStorageDevice* device,
                                  int index, bytes::ParseResult* result)
{
    bytes::ParseResult unused;
    bytes::ParseResult& outcome = result ? *result : unused;
    outcome = {};
    const uint64_t started = plat::GetTickCount64();
    IDIRBuildCallback& progress = CallbackOrQuiet(callback);
    progress.Begin(kFATTextReadingParameters, 100);
    if (!partition || !device || partition->bySectorsPerCluster == 0) {
        progress.Finish();
        outcome.Merge(device ? bytes::ParseStatus::Corrupt : bytes::ParseStatus::IoFailure);
        return nullptr;
    }
    const uint64_t start = partition->GetStartSector();
    const uint32_t flags = partition->GetFlags();
    const int type = partition->nFileSystemKind;
    std::unique_ptr<CDoubleFATTable> table =
        CreateDoubleFATTable(device, start + partition->GetReservedSectors(), type, partition->GetSectorsPerFAT(),
                             flags & kFATFlagUseFAT1, flags & kFATFlagUseFAT2);
    progress.Step(50);

    FATVolumeGeometry geometry;
    geometry.type = type;
    geometry.start = start;
    geometry.sectorsPerCluster = partition->bySectorsPerCluster;
    geometry.dataStart = partition->u64DataAreaStartSector;
    // The partition's own size, even when the device is shorter (an image cut short): what lies past its end
    // is unreadable, and saving counts it so instead of cutting files short.
    geometry.sectorCount = partition->GetTotalSectors();
    if (flags & kFATFlagsAnyBoot) {
        geometry.rootPresent = true;
        if (type == kFsKindFat32) {
            geometry.rootCluster = partition->GetRoot();
        } else {
            geometry.rootSector = start + partition->GetReservedSectors() + 2 * uint64_t(partition->GetSectorsPerFAT());
            geometry.rootSectors = partition->GetRoot();
        }
    }
    progress.Finish();

    CFileSystemNode* tree = nullptr;
    bool cancelled = false;
    {
        CFATBuildContext context(callback, device, geometry, table.get());
        tree = CompleteBuildTree(context, device, dirSectors, index, &outcome);
        if (tree && hits) {
            // The files the signature scanner found in clusters no live file uses.
            const uint64_t end = geometry.start + geometry.sectorCount;
            // Live files mark their clusters; the files under placeholder folders count as deleted and do not,
            // so the first cluster of every file the tree already lists is marked too: a signature hit there
            // is the same file a second time.
            std::vector<bool> used = context.GetClusterBitmap();
            WalkFileTreeBreadthFirst(tree, [&](CFileNode* node) {
                const auto* p = dynamic_cast<const CFATFileProperties*>(node->GetProperties());
                if (!p || (p->GetAttributes() & fat::kAttrDirectory) || p->GetSize() == 0) return;
                const uint32_t first = p->GetFirstCluster();
                if (context.IsDataCluster(first) && first - 2 < used.size()) used[first - 2] = true;
            });
            const uint64_t clusters =
                end > geometry.dataStart ? (end - geometry.dataStart) / geometry.sectorsPerCluster : 0;
            const CClusterUseBitMap bitmap(
                {&used, geometry.dataStart, geometry.sectorsPerCluster, clusters, uint32_t(context.GetSectorSize())});
            CRawResultTreeBuilder builder;
            if (CFileSystemNode* raw =
                    builder.Build(device, hits->GetIterator(), &bitmap, callback, hits->GetMeasurer()))
                tree->AddChild(raw);
        }
        if (tree && progress.CheckCancel() == -1) {
            cancelled = true;
            context.FreeBuildTree(tree);
            tree = nullptr;
            outcome.Merge(bytes::ParseStatus::Cancelled);
        }
    }
    if (tree && !cancelled) {
        if (GetRecoverySettings()->m_photoMode)
            PruneEmptyFolders(tree);
        else
            RemoveEmptyDeletedFolders(tree);
    }
    table.reset();
    ReleaseTrace("FAT Complete Build directory tree used %d millseconds!", int(plat::GetTickCount64() - started));
    return tree;
}

CFileSystemNode* FATCompleteBuildThread(IDIRBuildCallback* callback, const FATDirSectorSet& dirSectors,
                                        CFATSearchedPartitionInfo* partition, CRawFileList* hits,
                                        IStorageDevice* device, int index, bytes::ParseResult* result)
{
    CFileSystemNode* tree = nullptr;
    CReadLossRelay losses;
    std::thread worker;
    try {
        worker = std::thread([&] {
            CReadLossRelay::Collector collect(losses);
            tree = FATCompleteBuild(callback, dirSectors, partition, hits, device, index, result);
        });
    } catch (const std::system_error&) {
        if (result) {
            *result = {};
            result->Merge(bytes::ParseStatus::IoFailure); // nothing could be read
        }
        return nullptr;
    }
    worker.join();
    losses.Deliver();
    return tree;
}
