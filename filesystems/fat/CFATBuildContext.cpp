// The FAT directory walk: directory entries to found-file nodes, cluster chains of folders, runs of files,
// folders that claim the same cluster, and the nodes the build makes itself.
#include "filesystems/fat/CFATBuildContext.h"

#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/common/PartitionNaming.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/RecycleBinNames.h"
#include "filesystems/tree/TreeReshaping.h"
#include "platform/Log.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cinttypes>
#include <cstring>
#include <optional>

namespace {

// Numbers the "DIR%d" folders of every build of the process.
std::atomic<unsigned> s_placeholderCounter{0};

CFATFileProperties* FATProperties(const CFileNode* node)
{
    return node ? dynamic_cast<CFATFileProperties*>(node->GetProperties()) : nullptr;
}

bool IsSameOrAncestor(const CFileNode* candidate, const CFileNode* node)
{
    for (const CFileNode* n = node; n; n = n->GetParent())
        if (n == candidate) return true;
    return false;
}

// Recycle bins sit at the top of a volume with their pairs right inside them. Asking only this far up keeps a
// deep chain of damaged folders from costing a walk to the root, name tests included, for every folder.
constexpr int kRecycleBinSearchDepth = 32;

bool NearRecycleBin(const CFileNode* folder)
{
    int depth = 0;
    for (const CFileNode* n = folder; n && depth < kRecycleBinSearchDepth; n = n->GetParent(), ++depth)
        if (IsRecycleBinFolder(n)) return true;
    return false;
}

// A node that owns the properties.
FATNodePtr MakeNode(std::unique_ptr<CFATFileProperties> properties)
{
    FATNodePtr node(NewFileNode());
    node->SetProperties(properties.release());
    return node;
}

const char* FATTypeName(int type)
{
    switch (type) {
    case kFsKindFat12: return "FAT12";
    case kFsKindFat16: return "FAT16";
    case kFsKindFat32: return "FAT32";
    default: return "UNKNOWN";
    }
}

} // namespace

CFATBuildContext::CFATBuildContext(IDIRBuildCallback* callback, IStorageDevice* device,
                                   const FATVolumeGeometry& geometry, const IFATTable* table)
    : m_callback(callback),
      m_device(device),
      m_geometry(geometry),
      m_table(table),
      m_checks(FATEntryChecks::FromOptions())
{
    if (device != nullptr && device->GetSectorSize() > 0) m_sectorSize = device->GetSectorSize();
    const uint64_t end = geometry.start + geometry.sectorCount;
    if (geometry.sectorsPerCluster > 0 && end > geometry.dataStart) {
        m_clusterCount = (end - geometry.dataStart) / geometry.sectorsPerCluster;
        // Cluster numbers are 28 bits (16 on FAT12 and FAT16); anything past that cannot be named by an entry.
        const bool narrow = geometry.type == kFsKindFat12 || geometry.type == kFsKindFat16;
        const uint64_t named = narrow ? 0xFFF7 - 2 : fat::kBadCluster - 2;
        m_clusterCount = std::min<uint64_t>(m_clusterCount, named);
    }
    // The size is the boot sector's even when the device is shorter (an image cut short): what lies past its
    // end is unreadable, and the files there are still listed so that saving counts them.
    if (device != nullptr && end > device->GetSectorCount())
        LogError("The FAT volume at sector %" PRIu64 " has %" PRIu64 " sectors but the device ends at sector %" PRIu64
                 "; what lies past its end cannot be read",
                 geometry.start, geometry.sectorCount, device->GetSectorCount());
    m_clusterBytes = uint64_t(geometry.sectorsPerCluster) * uint64_t(m_sectorSize);
    m_clusterBitmap.assign(size_t(m_clusterCount) + 3, false);
}

CFATBuildContext::~CFATBuildContext() = default;

uint64_t CFATBuildContext::ClusterToSector(uint32_t cluster) const
{
    return m_geometry.dataStart + (uint64_t(cluster) - 2) * m_geometry.sectorsPerCluster;
}

uint32_t CFATBuildContext::SectorToCluster(uint64_t sector) const
{
    if (m_geometry.sectorsPerCluster == 0 || sector < m_geometry.dataStart) return 0;
    return uint32_t((sector - m_geometry.dataStart) / m_geometry.sectorsPerCluster + 2);
}

bool CFATBuildContext::IsClusterStart(uint64_t sector) const
{
    return m_geometry.sectorsPerCluster != 0 && sector >= m_geometry.dataStart &&
           (sector - m_geometry.dataStart) % m_geometry.sectorsPerCluster == 0;
}

bool CFATBuildContext::IsDataCluster(uint32_t cluster) const
{
    return cluster >= 2 && uint64_t(cluster) - 2 < m_clusterCount;
}

int CFATBuildContext::ProcessDirectoryEntries(std::span<const uint8_t> buffer, CFileNode* parent,
                                              FATDirectoryQueue& queue, bool lostMode, bool includeAll)
{
    const CFATFileProperties* parentProperties = FATProperties(parent);
    const uint32_t parentCluster = parentProperties ? parentProperties->GetFirstCluster() : 0;
    const bool parentDeleted = parentProperties && (parentProperties->GetState() & kFileStateDeleted);
    const bool inRecycleBin = NearRecycleBin(parent);
    RecyclePendingList pending;
    std::optional<size_t> longNameStart;
    int dotEntries = 0;

    size_t at = 0;
    for (; at + fat::kDirEntrySize <= buffer.size(); at += fat::kDirEntrySize) {
        const CFATDirEntry entry(buffer.subspan(at, fat::kDirEntrySize));
        // An empty slot is no entry at all; lost mode reads sectors that may not be directories, so what it
        // stops at is not counted either.
        if (!entry.IsEndMarker() && !lostMode) ++m_counters.recordsRead;
        if (!entry.IsValidEntry(false, m_checks)) {
            longNameStart.reset();
            if (lostMode) break;
            if (!entry.IsEndMarker()) SkipCorruptEntry(entry, at, "fields out of range");
            continue;
        }
        if (entry.IsLongNameEntry()) {
            if (!longNameStart) longNameStart = at;
            continue;
        }
        // From here every path ends the pending long name: it belongs to this entry or to nothing.
        const std::optional<size_t> nameStart = longNameStart;
        longNameStart.reset();
        if (entry.IsVolumeLabel()) {
            if (!lostMode && !entry.IsDeleted() && m_partitionNode)
                m_partitionNode->SetName(entry.GetShortName(true).c_str());
            continue;
        }
        if (entry.Bytes()[0] == '.') {
            if (++dotEntries > 2) return kNotADirectory;
            continue;
        }
        const bool isDirectory = entry.IsDirectory();
        if (!includeAll && !parentDeleted && !isDirectory && !entry.IsDeleted()) continue;
        const uint32_t firstCluster = entry.GetFirstCluster();
        if (firstCluster > 2 && !IsDataCluster(firstCluster)) {
            if (lostMode) break;
            SkipCorruptEntry(entry, at, "first cluster outside the data area");
            continue;
        }
        const bool emptyFile = !isDirectory && entry.GetFileSize() == 0;
        // An entry naming its own directory's cluster; the root's number is 0, like an empty file's, which
        // is still listed.
        if (firstCluster == parentCluster && !emptyFile) continue;

        size_t from = nameStart.value_or(at);
        // A long name carried over from the run before is joined only when its pieces belong to this entry.
        if (nameStart && *nameStart < m_origin.carried && at >= m_origin.carried)
            from = CheckCarriedLongName(buffer, *nameStart, at).value_or(at);
        std::unique_ptr<CFATFileProperties> properties =
            MakeFATFileProperties(buffer.subspan(from, at + fat::kDirEntrySize - from));
        if (!properties) continue;
        if (parentDeleted) properties->SetState(kFileStateDeleted);
        properties->SetParentCluster(parentCluster);
        properties->SetFirstCluster(firstCluster);

        FATNodePtr node;
        if (isDirectory) {
            DebugTrace("Find directory: %s at cluster :%x, parent :%x", properties->GetName(), firstCluster,
                       parentCluster);
            node = AddDirectory(std::move(properties), parent, queue, lostMode);
            if (!node) continue;
        } else {
            DebugTrace("Found a File %s!", properties->GetName());
            const bool deleted = (properties->GetState() & kFileStateDeleted) != 0;
            std::unique_ptr<CFATDataRunList> runs = BuildRunList(firstCluster, properties->GetSize(), deleted);
            // A live empty file has nothing to read and is still listed.
            if (!runs && !(emptyFile && !deleted)) {
                DebugTrace("Failed build Datarun list!");
                continue;
            }
            properties->SetRunList(runs.get());
            node = MakeNode(std::move(properties));
        }
        CFileNode* added = parent->AddChild(node.release());
        if (inRecycleBin) {
            if (CFileNode* partner = FindRecyclePartner(pending, added)) {
                const bool addedIsInfo = IsRecycleInfoFile(added);
                ApplyRecycleInfo(m_device, addedIsInfo ? partner : added, addedIsInfo ? added : partner);
            }
        }
    }
    if (longNameStart) {
        ReleaseTrace("Unporcessed long file name directory entry at %d", int(*longNameStart));
        return int(*longNameStart);
    }
    return int(at);
}

void CFATBuildContext::SkipCorruptEntry(const CFATDirEntry& entry, size_t at, const char* why)
{
    if (++m_counters.corruptSkipped > kMaxLoggedCorrupt) return;
    const std::array<uint8_t, 32>& b = entry.Bytes();
    if (!m_origin.known) {
        ReleaseTrace("FAT directory entry at buffer offset %zu skipped: %s (first byte 0x%02X, attribute 0x%02X, "
                     "first cluster %u)",
                     at, why, b[0], b[11], entry.GetFirstCluster());
        return;
    }
    const uint64_t where =
        at < m_origin.carried ? m_origin.carriedEnd - (m_origin.carried - at) : m_origin.byte + (at - m_origin.carried);
    ReleaseTrace("FAT directory entry at byte 0x%" PRIX64 " skipped: %s (first byte 0x%02X, attribute 0x%02X, "
                 "first cluster %u)",
                 where, why, b[0], b[11], entry.GetFirstCluster());
}

void CFATBuildContext::CountFailedRead(uint64_t sector, uint64_t count)
{
    ++m_counters.readFailures;
    ReleaseTrace("FAT directory read failed: %" PRIu64 " sectors at sector %" PRIu64, count, sector);
}

FATNodePtr CFATBuildContext::AddDirectory(std::unique_ptr<CFATFileProperties> properties, CFileNode* parent,
                                          FATDirectoryQueue& queue, bool lostMode)
{
    const uint32_t cluster = properties->GetFirstCluster();
    auto found = m_directoryMap.find(cluster);
    if (found == m_directoryMap.end()) {
        FATNodePtr node = MakeNode(std::move(properties));
        m_directoryMap[cluster] = node.get();
        queue.push_back(node.get());
        return node;
    }
    CFileNode* existing = found->second;
    CFATFileProperties* existingProperties = FATProperties(existing);
    // A folder that is the one being read, or above it, is never replaced from below: that would free the
    // folder the walk is filling.
    if (existingProperties == nullptr || IsSameOrAncestor(existing, parent) ||
        CompareDuplicateDirectories(*existingProperties, *properties) >= 0) {
        DebugTrace("Discard a directory named %s, cur:%x, parent:%x", properties->GetName(), cluster,
                   properties->GetParentCluster());
        return nullptr;
    }
    DebugTrace("Discard a directory named %s, cur: %x, parent:%x", existingProperties->GetName(), cluster,
               existingProperties->GetParentCluster());
    if (lostMode) {
        properties->SetParentCluster(existingProperties->GetParentCluster());
        // The mapped node keeps its place and takes the winner's properties; its own are freed.
        const std::unique_ptr<IFileProperties> replaced(existing->GetProperties());
        existing->SetProperties(properties.release());
        // A folder whose parent was not known finds it here: the directory cluster that names it.
        if (m_lostFolders && existing->GetParent() == m_lostFolders && !IsSameOrAncestor(existing, parent)) {
            m_lostFolders->RemoveChild(existing);
            parent->AddChild(existing);
        }
        return nullptr;
    }
    FATNodePtr node = MakeNode(std::move(properties));
    if (CFileNode* oldParent = existing->GetParent()) oldParent->RemoveChild(existing);
    MoveChildNodes(existing, node.get());
    found->second = node.get();
    std::erase(queue, existing);
    DeleteNodeWithProperties(existing);
    queue.push_back(node.get());
    return node;
}

int CFATBuildContext::CompareDuplicateDirectories(const CFATFileProperties& existing,
                                                  const CFATFileProperties& candidate)
{
    const bool existingTemporary = existing.GetState() & kFileStateTemporary;
    const bool candidateTemporary = candidate.GetState() & kFileStateTemporary;
    const bool existingDeleted = existing.GetState() & kFileStateDeleted;
    const bool candidateDeleted = candidate.GetState() & kFileStateDeleted;
    if (existingTemporary) return candidateTemporary ? 0 : -1;
    if (existingDeleted) {
        if (candidateTemporary) return 1;
        if (!candidateDeleted) return -1;
        const FILETIME a = existing.GetModificationTime();
        const FILETIME b = candidate.GetModificationTime();
        return b > a ? -1 : (b == a ? 0 : 1);
    }
    if (candidateTemporary || candidateDeleted) return 1;
    ReleaseTrace(
        "Some thing must be wrong! \t\t\t\t\t\t\tWe found two undeleted directory got the same first cluster number!");
    return 0;
}

std::unique_ptr<CFATDataRunList> CFATBuildContext::BuildRunList(uint32_t firstCluster, uint64_t size, bool deleted)
{
    // Clusters 0 and 1 would point at the FAT or the root area; a file of size 0 has nothing to read.
    if (size == 0 || m_clusterBytes == 0 || !IsDataCluster(firstCluster)) return nullptr;
    if (deleted) return AddContiguousClusters(firstCluster, size);

    auto list = std::make_unique<CFATDataRunList>();
    uint64_t covered = 0;
    uint32_t runStart = firstCluster;
    uint64_t runLength = 1;
    uint32_t cluster = firstCluster;
    auto fits = [&] { return uint64_t(runStart) - 2 + runLength <= m_clusterCount; };
    for (uint64_t steps = 0;; ++steps) {
        const uint32_t next = m_table ? m_table->GetNextCluster(cluster) : fat::kNoInformation;
        // A chain longer than the volume has clusters loops; it ends here like any other broken chain.
        if (fat::IsChainEnd(next) || !IsDataCluster(next) || steps >= m_clusterCount) {
            runLength = (size - covered + m_clusterBytes - 1) / m_clusterBytes;
            if (!fits()) {
                ReleaseTrace("File overflows partition!");
                return nullptr;
            }
            list->AddRun({int64_t(runStart) - 2, runLength});
            break;
        }
        // A run stops growing once it covers the size: a small file naming the start of a long contiguous
        // chain (cross-linked by damage) must not cost the whole chain.
        if (next == cluster + 1 && covered + runLength * m_clusterBytes < size) {
            ++runLength;
        } else {
            // A chain longer than the file (cross-linked) is cut where the size ends.
            runLength = std::min(runLength, (size - covered + m_clusterBytes - 1) / m_clusterBytes);
            if (!fits()) {
                ReleaseTrace("File overflows partition!");
                return nullptr;
            }
            list->AddRun({int64_t(runStart) - 2, runLength});
            covered += runLength * m_clusterBytes;
            if (covered >= size) break;
            runStart = next;
            runLength = 1;
        }
        cluster = next;
    }
    for (const DataRun& run : list->GetRuns()) {
        for (uint64_t j = 0; j < run.length; ++j) {
            const uint64_t bit = uint64_t(run.firstCluster) + j;
            if (bit < m_clusterBitmap.size()) m_clusterBitmap[size_t(bit)] = true;
        }
    }
    return list;
}

std::unique_ptr<CFATDataRunList> CFATBuildContext::AddContiguousClusters(uint32_t firstCluster, uint64_t size)
{
    auto list = std::make_unique<CFATDataRunList>();
    uint64_t covered = 0;
    for (uint32_t c = firstCluster; covered < size && IsDataCluster(c); ++c) {
        if (m_table && m_table->GetNextCluster(c) == fat::kBadCluster) continue;
        list->AddRun({int64_t(c) - 2, 1});
        covered += m_clusterBytes;
    }
    if (list->GetRunCount() == 0) return nullptr;
    return list;
}

bytes::ParseStatus CFATBuildContext::WalkClusterChain(CFileNode* directory, uint32_t firstCluster,
                                                      FATDirectoryQueue& queue, bool isRoot, bool includeAll)
{
    using bytes::ParseStatus;
    const uint32_t spc = m_geometry.sectorsPerCluster;
    if (spc == 0 || m_device == nullptr) return ParseStatus::IoFailure;
    const uint32_t maxRunClusters = std::max<uint32_t>(1, kReadRunSectors / spc);
    std::vector<uint8_t> buffer(kMaxCarry + size_t(maxRunClusters) * spc * size_t(m_sectorSize));
    size_t carried = 0;
    uint64_t carriedEnd = 0; // device byte just past the bytes carried into the next run
    bool firstRun = true;

    for (uint32_t cluster = firstCluster; IsDataCluster(cluster);) {
        const uint32_t runStart = cluster;
        uint32_t count = 1;
        uint32_t next = m_table ? m_table->GetNextCluster(cluster) : fat::kNoInformation;
        while (next == runStart + count && count < maxRunClusters && IsDataCluster(next) && !m_visited.count(next)) {
            ++count;
            next = m_table->GetNextCluster(next);
        }
        if (m_callback && m_callback->CheckCancel() == -1) {
            m_cancelled = true;
            return ParseStatus::Cancelled;
        }
        // A cluster read before means the chain loops (or another folder owns it).
        if (m_visited.count(runStart)) return ParseStatus::Corrupt;
        const size_t readBytes = size_t(count) * spc * size_t(m_sectorSize);
        if (!m_device->ReadSectors(buffer.data() + carried, ClusterToSector(runStart), uint64_t(count) * spc)) {
            CountFailedRead(ClusterToSector(runStart), uint64_t(count) * spc);
            return ParseStatus::IoFailure;
        }
        for (uint32_t i = 0; i < count; ++i) m_visited.insert(runStart + i);

        if (firstRun) {
            const CFATDirEntry first(std::span<const uint8_t>(buffer.data(), fat::kDirEntrySize));
            const CFATDirEntry second(std::span<const uint8_t>(buffer.data() + fat::kDirEntrySize, fat::kDirEntrySize));
            const bool dotted = first.IsDotEntry() && second.IsDotDotEntry();
            if (isRoot ? first.IsDotEntry() : !dotted) return ParseStatus::Corrupt;
            firstRun = false;
        }

        const size_t total = carried + readBytes;
        if (next == fat::kNoInformation)
            next = NextDirectoryClusterOnDisk(runStart + count - 1, {buffer.data() + carried, readBytes});
        const uint64_t runByte = ClusterToSector(runStart) * uint64_t(m_sectorSize);
        m_origin = {true, carried, carriedEnd, runByte};
        const int processed = ProcessDirectoryEntries({buffer.data(), total}, directory, queue, false, includeAll);
        m_origin = {};
        carriedEnd = runByte + readBytes;
        if (processed == kNotADirectory) return ParseStatus::Ok;
        const size_t rest = total - size_t(processed);
        if (rest == 0 || rest > kMaxCarry) {
            carried = 0;
        } else {
            ReleaseTrace("Found unproessed buffer, lengh:%d bytes", int(rest));
            std::memmove(buffer.data(), buffer.data() + processed, rest);
            carried = rest;
        }
        cluster = next;
    }
    return ParseStatus::Ok;
}

namespace {

// Counts the live and deleted short entries of a piece of directory (dot entries, long-name pieces and labels
// left out), up to its end marker.
struct EntryStates {
    size_t live = 0;
    size_t deleted = 0;
};

EntryStates CountEntryStates(std::span<const uint8_t> entries)
{
    EntryStates states;
    for (size_t at = 0; at + fat::kDirEntrySize <= entries.size(); at += fat::kDirEntrySize) {
        const CFATDirEntry entry(entries.subspan(at, fat::kDirEntrySize));
        if (entry.IsEndMarker()) break;
        if (entry.IsLongNameEntry() || entry.IsVolumeLabel() || entry.Bytes()[0] == '.') continue;
        ++(entry.IsDeleted() ? states.deleted : states.live);
    }
    return states;
}

} // namespace

uint32_t CFATBuildContext::NextDirectoryClusterOnDisk(uint32_t lastCluster, std::span<const uint8_t> lastRun)
{
    if (!m_directoryPart || m_device == nullptr || lastRun.size() < fat::kDirEntrySize) return fat::kNoInformation;
    // A directory gets another cluster only once every slot of its last one was taken: an end marker there
    // says it ends in this cluster.
    if (CFATDirEntry(lastRun.last(fat::kDirEntrySize)).IsEndMarker()) return fat::kNoInformation;
    const uint32_t next = lastCluster + 1;
    if (!IsDataCluster(next) || m_visited.count(next)) return fat::kNoInformation;
    // A cluster the FAT gives to a chain belongs to that chain.
    if (m_table && m_table->GetNextCluster(next) != fat::kNoInformation) return fat::kNoInformation;
    if (!m_directoryPart(next)) return fat::kNoInformation;
    // A folder deleted whole has only deleted entries: a cluster with live ones was given to another folder
    // after it was freed.
    const EntryStates here = CountEntryStates(lastRun);
    if (here.live == 0 && here.deleted > 0) {
        std::vector<uint8_t> sector(static_cast<size_t>(m_sectorSize));
        if (!m_device->ReadSectors(sector.data(), ClusterToSector(next), 1)) return fat::kNoInformation;
        if (CountEntryStates(sector).live > 0) return fat::kNoInformation;
    }
    DebugTrace("Directory cluster %u goes on in cluster %u", lastCluster, next);
    return next;
}

std::optional<size_t> CFATBuildContext::CheckCarriedLongName(std::span<const uint8_t> buffer, size_t nameStart,
                                                             size_t at) const
{
    const CFATDirEntry shortEntry(buffer.subspan(at, fat::kDirEntrySize));
    const uint8_t first = CFATDirEntry(buffer.subspan(nameStart, fat::kDirEntrySize)).GetLongNameChecksum();
    // A deleted short entry has lost its first name byte, and with it the checksum to compare with; its
    // pieces must still agree among themselves.
    bool joined = shortEntry.IsDeleted() || first == shortEntry.GetShortNameChecksum();
    for (size_t o = nameStart; joined && o < at; o += fat::kDirEntrySize)
        joined = CFATDirEntry(buffer.subspan(o, fat::kDirEntrySize)).GetLongNameChecksum() == first;
    if (joined) return nameStart;
    ReleaseTrace("Long name pieces carried into the next directory cluster do not belong to the entry after them");
    const size_t own = std::max(nameStart, m_origin.carried);
    if (own >= at) return std::nullopt;
    return own;
}

bytes::ParseStatus CFATBuildContext::WalkRootDirectory(CFileNode* root, FATDirectoryQueue& queue, bool includeAll)
{
    using bytes::ParseStatus;
    if (!m_geometry.rootPresent) return ParseStatus::Corrupt;
    if (m_device == nullptr) return ParseStatus::IoFailure;
    if (m_geometry.type == kFsKindFat32) return WalkClusterChain(root, m_geometry.rootCluster, queue, true, includeAll);
    // A fixed root holds at most 65535 entries.
    const uint64_t maxSectors = (65535ull * 32 + uint64_t(m_sectorSize) - 1) / uint64_t(m_sectorSize);
    const uint64_t sectors = std::min<uint64_t>(m_geometry.rootSectors, maxSectors);
    if (sectors == 0) return ParseStatus::Corrupt;
    std::vector<uint8_t> buffer(size_t(sectors) * size_t(m_sectorSize));
    if (!m_device->ReadSectors(buffer.data(), m_geometry.rootSector, sectors)) {
        CountFailedRead(m_geometry.rootSector, sectors);
        return ParseStatus::IoFailure;
    }
    m_origin = {true, 0, 0, m_geometry.rootSector * uint64_t(m_sectorSize)};
    ProcessDirectoryEntries(buffer, root, queue, false, includeAll);
    m_origin = {};
    return ParseStatus::Ok;
}

void CFATBuildContext::ProcessRootAreaSector(uint64_t sector)
{
    if (m_device == nullptr || m_partitionNode == nullptr) return;
    std::vector<uint8_t> buffer(static_cast<size_t>(m_sectorSize));
    if (!m_device->ReadSectors(buffer.data(), sector, 1)) return;
    FATDirectoryQueue scratch;
    ProcessDirectoryEntries(buffer, m_partitionNode, scratch, true, true);
}

CFileSystemNode* CFATBuildContext::MakePartitionNode(int index)
{
    auto properties = std::make_unique<CFATFileProperties>();
    properties->SetName(FormatPartitionName(FATTypeName(m_geometry.type), index + 1).c_str());
    properties->SetAttributes(uint16_t(properties->GetAttributes() | fat::kAttrDirectory));
    properties->SetFirstCluster(0);
    properties->SetParentCluster(kFATNoCluster);
    // The node is the caller's (the tree it heads), or FreeBuildTree's.
    CFileSystemNode* node = NewFileSystemNode();
    node->SetProperties(properties.release());
    node->SetClusterGeometry(m_geometry.dataStart, int32_t(m_geometry.sectorsPerCluster));
    node->SetFileSystemKind(m_geometry.type);
    m_partitionNode = node;
    return node;
}

FATNodePtr CFATBuildContext::MakeLostFoldersNode()
{
    auto properties = std::make_unique<CFATFileProperties>();
    properties->SetName("Lost Folders");
    properties->SetAttributes(fat::kAttrDirectory);
    properties->SetState(kFileStateDeleted | kFileStateTemporary);
    properties->SetFirstCluster(kFATNoCluster);
    properties->SetParentCluster(kFATNoCluster);
    return MakeNode(std::move(properties));
}

FATNodePtr CFATBuildContext::MakePlaceholderDirNode(uint32_t firstCluster, uint32_t parentCluster)
{
    char name[32];
    std::snprintf(name, sizeof name, "DIR%u", s_placeholderCounter.fetch_add(1));
    auto properties = std::make_unique<CFATFileProperties>();
    properties->SetName(name);
    properties->SetState(kFileStateDeleted | kFileStateTemporary);
    properties->SetAttributes(fat::kAttrDirectory);
    properties->SetFirstCluster(firstCluster);
    properties->SetParentCluster(parentCluster);
    return MakeNode(std::move(properties));
}

void CFATBuildContext::FreeBuildTree(CFileNode* partitionNode)
{
    // Every node once: the tree, and the subtrees of mapped folders that never found a parent.
    std::vector<CFileNode*> nodes;
    std::unordered_set<CFileNode*> seen;
    auto collect = [&](CFileNode* top) {
        if (!top || seen.count(top)) return;
        WalkFileTreeBreadthFirst(top, [&](CFileNode* n) {
            if (seen.insert(n).second) nodes.push_back(n);
        });
    };
    collect(partitionNode);
    for (auto& [cluster, node] : m_directoryMap) {
        CFileNode* top = node;
        while (top->GetParent()) top = top->GetParent();
        collect(top);
    }
    m_directoryMap.clear();
    for (CFileNode* node : nodes) DeleteNodeWithProperties(node);
    if (m_partitionNode == partitionNode) m_partitionNode = nullptr;
}
