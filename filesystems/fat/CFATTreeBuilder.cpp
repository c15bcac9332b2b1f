// The quick FAT build: boot sector (or the FAT32 backup), FAT copies, geometry, the breadth-first walk from
// the root, cancellation and the final pruning; and the worker that runs it.
#include "filesystems/fat/CFATTreeBuilder.h"

#include "core/CRecoverySettings.h"
#include "core/devices/CReadLossRelay.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/fat/CFATBuildContext.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "filesystems/tree/TreeReshaping.h"
#include "platform/Clock.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <chrono>
#include <deque>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// unreadable is set when the read of the boot sector failed.
bool ReadBootSector(IStorageDevice* device, uint64_t sector, std::vector<uint8_t>& out, bool& unreadable)
{
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize < 512) return false;
    out.assign(size_t(sectorSize), 0);
    if (!device->ReadSectors(out.data(), sector, 1)) {
        unreadable = true;
        return false;
    }
    return HasValidFATCopy(out, sector, device);
}

} // namespace

CFileSystemNode* QuickBuildTree(CFATBuildContext& context, IDIRBuildCallback* callback, bool includeAll, int index,
                                bytes::ParseResult* result)
{
    IDIRBuildCallback& progress = CallbackOrQuiet(callback);
    CFileSystemNode* partition = context.MakePartitionNode(index);
    progress.SetPos(1);
    FATDirectoryQueue queue;
    const bytes::ParseStatus root = context.WalkRootDirectory(partition, queue, includeAll);
    if (root == bytes::ParseStatus::Ok && !context.IsCancelled()) {
        uint64_t counter = 1;
        uint64_t lastPercent = 0;
        while (!queue.empty()) {
            CFileNode* directory = queue.front();
            queue.pop_front();
            ++counter;
            const uint64_t percent = counter * 100 / (counter + queue.size());
            if (percent > lastPercent) {
                lastPercent = percent;
                if (progress.SetPos(int(percent)) == -1) {
                    context.Cancel();
                    break;
                }
            }
            if (directory->GetFirstChild()) continue;
            const auto* properties = static_cast<const CFATFileProperties*>(directory->GetProperties());
            if (context.WalkClusterChain(directory, properties->GetFirstCluster(), queue, false, includeAll) ==
                bytes::ParseStatus::Cancelled)
                break;
        }
    }
    const bytes::ParseCounters& counters = context.GetCounters();
    if (counters.corruptSkipped != 0 || counters.readFailures != 0)
        ReleaseTrace("FAT walk: %" PRIu64 " directory entries read, %" PRIu64 " corrupt ones skipped, %" PRIu64
                     " directory reads failed",
                     counters.recordsRead, counters.corruptSkipped, counters.readFailures);
    if (result) {
        *result = {};
        result->counters = counters;
        result->Merge(root);
        if (counters.readFailures != 0) result->Merge(bytes::ParseStatus::IoFailure);
        if (context.IsCancelled()) result->Merge(bytes::ParseStatus::Cancelled);
    }
    if (context.IsCancelled()) {
        context.FreeBuildTree(partition);
        return nullptr;
    }
    return partition;
}

bool HasValidFATCopy(std::span<const uint8_t> bootSector, uint64_t partitionStart, IStorageDevice* device)
{
    const int32_t sectorSize = device ? device->GetSectorSize() : 512;
    const CFATDBR dbr(bootSector, sectorSize);
    if (!dbr.IsValid() || device == nullptr) return false;
    const uint64_t spf = dbr.GetSectorsPerFAT();
    if (dbr.GetTotalSectors() < spf * dbr.GetNumberOfFATs()) return false;
    const uint64_t firstCopy = partitionStart + dbr.GetReservedSectors();
    std::vector<uint8_t> sector(static_cast<size_t>(sectorSize));
    for (uint64_t at : {firstCopy, firstCopy + spf}) {
        if (!device->ReadSectors(sector.data(), at, 1)) continue;
        // The copy of the boot sector's width (FAT12 included), carrying its media descriptor.
        if (IsFATTableStart(sector, dbr.GetFATType(), dbr.GetMediaDescriptor())) return true;
    }
    return false;
}

CFileSystemNode* FATQuickBuild(IDIRBuildCallback* callback, CFATSearchedPartitionInfo* partition,
                               IStorageDevice* device, bool includeAll, bytes::ParseResult* result)
{
    using bytes::ParseStatus;
    bytes::ParseResult unused;
    bytes::ParseResult& outcome = result ? *result : unused;
    outcome = {};
    const uint64_t started = plat::GetTickCount64();
    IDIRBuildCallback& progress = CallbackOrQuiet(callback);
    progress.Begin(kFATTextReadingParameters, 100);
    if (partition == nullptr || device == nullptr) {
        progress.Finish();
        outcome.Merge(ParseStatus::IoFailure);
        return nullptr;
    }

    const uint64_t start = partition->GetStartSector();
    const uint32_t flags = partition->GetFlags();
    std::vector<uint8_t> boot;
    bool haveBoot = false;
    bool unreadable = false;
    if (flags & kFATFlagsPrimaryBoot) haveBoot = ReadBootSector(device, start, boot, unreadable);
    progress.Step(30);
    if (!haveBoot && (flags & kFATFlagFAT32BackupBoot)) {
        // The backup's FAT places still count from the partition start.
        std::vector<uint8_t> backup(size_t(std::max<int32_t>(device->GetSectorSize(), 512)), 0);
        if (device->GetSectorSize() >= 512) {
            if (!device->ReadSectors(backup.data(), start + 6, 1))
                unreadable = true;
            else if (HasValidFATCopy(backup, start, device)) {
                boot = std::move(backup);
                haveBoot = true;
            }
        }
    }
    progress.Step(30);
    if (!haveBoot) {
        ReleaseTrace("Failed to read DBR information!");
        progress.Finish();
        outcome.Merge(unreadable ? ParseStatus::IoFailure : ParseStatus::Corrupt);
        return nullptr;
    }

    const CFATDBR dbr(boot, device->GetSectorSize());
    const int type = dbr.GetFATType();
    const uint64_t spf = dbr.GetSectorsPerFAT();
    const uint64_t reserved = dbr.GetReservedSectors();
    std::unique_ptr<CDoubleFATTable> table = CreateDoubleFATTable(device, start + reserved, type, uint32_t(spf),
                                                                  flags & kFATFlagUseFAT1, flags & kFATFlagUseFAT2);
    if (progress.Finish() == -1) {
        ReleaseTrace("User abort searching!");
        outcome.Merge(ParseStatus::Cancelled);
        return nullptr;
    }

    FATVolumeGeometry geometry;
    geometry.type = type;
    geometry.start = start;
    geometry.sectorsPerCluster = dbr.GetSectorsPerCluster();
    const uint64_t fatsEnd = start + reserved + uint64_t(dbr.GetNumberOfFATs()) * spf;
    if (type == kFsKindFat32) {
        geometry.dataStart = fatsEnd;
        geometry.rootCluster = dbr.GetRootCluster();
        geometry.rootSector = geometry.dataStart + (uint64_t(geometry.rootCluster) - 2) * geometry.sectorsPerCluster;
    } else {
        geometry.rootSector = fatsEnd;
        geometry.rootSectors = dbr.GetRootDirSectors();
        geometry.dataStart = geometry.rootSector + geometry.rootSectors;
    }
    geometry.rootPresent = true;
    // The boot sector's size, even when the device is shorter (an image cut short): the clusters past its end
    // still belong to files, and reading them fails, so that saving counts them as unreadable instead of
    // cutting the files short.
    geometry.sectorCount = dbr.GetTotalSectors();

    CFileSystemNode* tree = nullptr;
    {
        CFATBuildContext context(callback, device, geometry, table.get());
        progress.Begin(kFATTextBuildingDirectories, 100);
        tree = QuickBuildTree(context, callback, includeAll, 0, &outcome);
    }
    table.reset();

    if (tree && progress.Finish() == -1) {
        DeleteFoundTree(tree);
        outcome.Merge(ParseStatus::Cancelled);
        return nullptr;
    }
    if (tree) {
        if (GetRecoverySettings()->m_photoMode)
            PruneEmptyFolders(tree);
        else
            RemoveEmptyDeletedFolders(tree);
    }
    ReleaseTrace("FAT Quick Build directory tree used %d millseconds!", int(plat::GetTickCount64() - started));
    return tree;
}

void RemoveEmptyDeletedFolders(CFileNode* tree)
{
    if (!tree) return;
    std::deque<CFileNode*> queue{tree};
    while (!queue.empty()) {
        CFileNode* folder = queue.front();
        queue.pop_front();
        std::vector<CFileNode*> children;
        for (CFileNode* child = folder->GetFirstChild(); child; child = child->GetNextSibling())
            children.push_back(child);
        for (CFileNode* child : children) {
            const IFileProperties* properties = child->GetProperties();
            if (!properties || !(properties->GetAttributes() & fat::kAttrDirectory)) continue;
            if (!child->GetFirstChild() && (properties->GetState() & kFileStateDeleted)) {
                folder->RemoveChild(child);
                DeleteNodeWithProperties(child);
            } else {
                queue.push_back(child);
            }
        }
    }
}

CFileSystemNode* CFATTreeBuilder::RunQuickBuild(IDIRBuildCallback* callback, CFATSearchedPartitionInfo* partition,
                                                IStorageDevice* device, bool includeAll, const MessagePump& pump)
{
    m_callback = callback;
    m_partition = partition;
    m_device = device;
    m_includeAll = includeAll;
    m_result = nullptr;
    m_outcome = {};
    m_done.store(false, std::memory_order_release);
    CReadLossRelay losses;
    std::thread worker;
    try {
        worker = std::thread([this, &losses] {
            {
                CReadLossRelay::Collector collect(losses);
                m_result = FATQuickBuild(m_callback, m_partition, m_device, m_includeAll, &m_outcome);
            }
            m_done.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        m_outcome.Merge(bytes::ParseStatus::IoFailure); // nothing could be read
        return nullptr;
    }
    while (!m_done.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (pump) pump();
    }
    worker.join();
    losses.Deliver();
    return m_result;
}
