// The ext2 scanner: a ring of the last eight sectors, superblock copies as candidates, descriptor gathering,
// merging and scoring of the found file systems, and the tree build of a chosen one.
#include "filesystems/ext2/CEXT2SearchController.h"

#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/common/ScanBlockRead.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2SearchedPartitionInfo.h"
#include "filesystems/ext2/CExt2TreeBuilder.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/ext2/LogExt2Error.h"
#include "filesystems/tree/CClusterUseBitMap.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/CRawResultTreeBuilder.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Log.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

namespace {

// Sectors read in one request; a larger block is read in pieces of this size.
constexpr uint64_t kReadSectors = 8192;
constexpr size_t kMagicOffset = 56;

// The order in which found copies are grouped: volume id, block size, blocks, and the three times.
using CopyKey = std::tuple<uint64_t, uint64_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t>;

CopyKey KeyOf(const CExt2SuperBlock& copy)
{
    const ext2_super_block& sb = copy.Record();
    uint64_t low = 0, high = 0;
    for (int i = 7; i >= 0; --i) {
        low = (low << 8) | sb.s_uuid[size_t(i)];
        high = (high << 8) | sb.s_uuid[size_t(i) + 8];
    }
    return {low, high, sb.s_log_block_size, sb.s_blocks_count, sb.s_mtime, sb.s_wtime, sb.s_lastcheck};
}

} // namespace

CEXT2SearchController::CEXT2SearchController()
{
    InstallStructuredExceptionTranslator();
}

CEXT2SearchController::~CEXT2SearchController() = default;

void CEXT2SearchController::SetDevice(IStorageDevice* device)
{
    m_device = device ? device->GetAs512SectorDevice() : nullptr;
    const int32_t sectorSize = device ? device->GetSectorSize() : 512;
    m_ratio = sectorSize >= 512 ? uint64_t(sectorSize) / 512 : 1;
}

void CEXT2SearchController::BeginSearch()
{
    m_held = 0;
}

void CEXT2SearchController::EndSearch()
{
    m_held = 0;
    m_device = nullptr;
    m_block.clear();
    m_block.shrink_to_fit();
}

int CEXT2SearchController::AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount,
                                        CIntelligentSearchStatistics* statistics)
{
    const FilesToReport report{m_newFiles, statistics};
    if (!m_device || sectorCount == 0) return 1;
    if (firstSector > UINT64_MAX / m_ratio || sectorCount > (UINT64_MAX - firstSector * m_ratio) / m_ratio) return 1;
    const uint64_t first = firstSector * m_ratio;
    const uint64_t end = first + sectorCount * m_ratio;
    try {
        for (uint64_t at = first; at < end;) {
            const uint64_t count = std::min(kReadSectors, end - at);
            m_block.resize(size_t(count) * 512);
            // The sectors that cannot be read are analysed as zeros, and told once per run.
            m_unreadable += ReadScanBlock(*m_device, m_block.data(), at, count, 512, [](uint64_t from, uint64_t n) {
                LogError("ext2 scan: %llu unreadable sectors from sector %llu read as zeros",
                         static_cast<unsigned long long>(n), static_cast<unsigned long long>(from));
            });
            if (!AddSectors(m_block, at)) break;
            at += count;
        }
    } catch (const std::exception& e) {
        LogExt2Exception(e);
    }
    return 1;
}

int CEXT2SearchController::AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                                             CIntelligentSearchStatistics* statistics)
{
    const FilesToReport report{m_newFiles, statistics};
    if (!m_device || sectorCount == 0) return 1;
    if (firstSector > UINT64_MAX / m_ratio || sectorCount > (UINT64_MAX - firstSector * m_ratio) / m_ratio) return 1;
    const size_t length = std::min<size_t>(bytes.size(), size_t(sectorCount * m_ratio) * 512) / 512 * 512;
    AddSectors(bytes.first(length), firstSector * m_ratio);
    return 1;
}

bool CEXT2SearchController::AddSectors(std::span<const uint8_t> sectors, uint64_t first)
{
    // Each window is analysed where its two sectors lie: in the given bytes, or, for the first sectors of
    // the call, in the copies of the sectors before them. The last sectors are copied for the next call.
    constexpr uint64_t kBehind = kWindowSectors - 1;
    const uint64_t count = sectors.size() / 512;
    uint64_t added = 0;
    bool ok = true;
    m_addingFrom = first;
    try {
        // Sectors are asked for some way ahead: one a time, from memory, would wait for each.
        constexpr uint64_t kAhead = 16;
        for (; added < count; ++added) {
            if (added + kAhead < count) __builtin_prefetch(sectors.data() + (added + kAhead) * 512 + kMagicOffset);
            if (m_held < kWindowSectors) ++m_held;
            if (m_held != kWindowSectors) continue;
            const uint64_t start = first + added - kBehind;
            const uint8_t* one = added >= kBehind ? sectors.data() + (added - kBehind) * 512 : Slot(start);
            const uint8_t* two = added >= kBehind - 1 ? sectors.data() + (added - kBehind + 1) * 512 : Slot(start + 1);
            AnalyseWindow(start, one, two);
        }
    } catch (const std::exception& e) {
        LogExt2Exception(e);
        ++added; // the sector whose window failed counts as added
        ok = false;
    }
    const uint64_t keep = std::min<uint64_t>(added, kWindowSectors);
    for (uint64_t i = added - keep; i < added; ++i)
        std::memcpy(m_ring[(first + i) % kWindowSectors].data(), sectors.data() + i * 512, 512);
    // After the windows, so that the tables of a file system found in these sectors are counted in them too.
    CountInodeTables(sectors.first(size_t(added) * 512), first);
    return ok;
}

const uint8_t* CEXT2SearchController::Slot(uint64_t sector) const
{
    return m_ring[sector % kWindowSectors].data();
}

void CEXT2SearchController::AnalyseWindow(uint64_t sector, const uint8_t* first, const uint8_t* second)
{
    // Most sectors are no superblock: the magic is tested before a copy is assembled and normalised.
    if (uint16_t(first[kMagicOffset] | (first[kMagicOffset + 1] << 8)) == ext2::kMagic) {
        uint8_t bytes[ext2::kSuperBlockSize];
        std::memcpy(bytes, first, 512);
        std::memcpy(bytes + 512, second, 512);
        CExt2SuperBlock normalised{std::span<const uint8_t>(bytes)};
        normalised.Normalise();
        // A copy that would put its file system before sector 0 is damaged or misplaced: no candidate.
        if (normalised.IsValid() && CExt2SearchedPartitionInfo::StartOf(normalised, sector) >= 0) {
            m_candidate = std::make_unique<CExt2SearchedPartitionInfo>(std::span<const uint8_t>(bytes), sector);
            return;
        }
    }
    if (!m_candidate || m_candidate->IsTableComplete() || !m_candidate->IsPastSuperBlockBlock(sector)) return;
    m_candidate->AppendDescriptors(std::span<const uint8_t>(first, 512), sector);
    if (!m_candidate->IsTableComplete()) return;
    if (m_candidate->IsTableValid()) AddFound(std::move(m_candidate));
    m_candidate.reset();
}

void CEXT2SearchController::AddInodeTables(const CExt2SearchedPartitionInfo& partition)
{
    const CExt2SuperBlock normalised = partition.Normalised();
    const ext2_super_block& sb = normalised.Record();
    const uint64_t perBlock = normalised.GetSectorsPerBlock();
    InodeTable table;
    table.inodeSize = normalised.GetInodeSize();
    table.blockSize = normalised.GetBlockSize();
    table.blocksCount = sb.s_blocks_count;
    table.firstCounted = std::max<uint32_t>(normalised.GetFirstInode(), 1);
    table.lastCounted = sb.s_inodes_count;
    const uint64_t perGroup = sb.s_inodes_per_group;
    if (table.blockSize == 0 || perBlock == 0 || table.inodeSize < ext2::kInodeRecordSize || perGroup == 0) return;
    const uint64_t tableSectors = (perGroup * table.inodeSize + 511) / 512;
    const std::vector<Ext2GroupDescriptor>& descriptors = partition.GetDescriptors();
    for (uint64_t g = 0; g < descriptors.size(); ++g) {
        const uint64_t block = descriptors[g].inodeTable;
        if (block > (UINT64_MAX - partition.u64StartSector) / perBlock) continue;
        const uint64_t start = partition.u64StartSector + block * perBlock;
        if (start > UINT64_MAX - tableSectors) continue;
        table.end = start + tableSectors;
        // Each sector belongs to one table at most: a table seen before (the same file system found twice) or
        // one overlapping another is not counted again, so every sector is looked at once.
        auto next = m_knownTables.upper_bound(start);
        if (next != m_knownTables.end() && next->first < table.end) continue;
        if (next != m_knownTables.begin() && std::prev(next)->second > start) continue;
        m_knownTables.emplace_hint(next, start, table.end);
        table.firstNumber = g * perGroup + 1;
        if (start >= m_addingFrom) {
            m_aheadTables.emplace(start, table);
            continue;
        }
        // A table the scan has passed (a file system found by a backup copy): read back, within a bound.
        if (tableSectors > kMaxReadBackSectors - std::min(m_readBackSectors, kMaxReadBackSectors)) continue;
        m_readBackSectors += tableSectors;
        std::vector<uint8_t> bytes(size_t(tableSectors) * 512);
        if (m_device && m_device->ReadSectors(bytes.data(), start, tableSectors))
            CountInodes(table, start, bytes, start);
    }
}

void CEXT2SearchController::CountInodes(const InodeTable& t, uint64_t tableStart, std::span<const uint8_t> sectors,
                                        uint64_t first)
{
    // The records whose first bytes lie in the given sectors (a record's first 128 bytes never cross a sector
    // when records are 128 bytes or a larger power of two; a record cut short is read with zeros).
    const uint64_t from = std::max(tableStart, first);
    const uint64_t to = std::min(t.end, first + sectors.size() / 512);
    if (to <= from) return;
    const uint64_t firstByte = (from - tableStart) * 512;
    const uint64_t endByte = (to - tableStart) * 512;
    CExt2Inode inode;
    for (uint64_t at = (firstByte + t.inodeSize - 1) / t.inodeSize * t.inodeSize; at < endByte; at += t.inodeSize) {
        const uint64_t number = t.firstNumber + at / t.inodeSize;
        if (number < t.firstCounted || number > t.lastCounted) continue;
        // Where the record lies in the given sectors (at is at least the table's bytes before them).
        const uint64_t offset = tableStart >= first ? (tableStart - first) * 512 + at : at - (first - tableStart) * 512;
        const size_t length = std::min<size_t>(ext2::kInodeRecordSize, sectors.size() - size_t(offset));
        inode.Assign(nullptr, uint32_t(number), sectors.subspan(size_t(offset), length));
        if (inode.IsUsableIn(t.blockSize, t.blocksCount) && !inode.IsDirectory()) ++m_newFiles;
    }
}

void CEXT2SearchController::CountInodeTables(std::span<const uint8_t> sectors, uint64_t first)
{
    const uint64_t end = first + sectors.size() / 512;
    for (auto it = m_aheadTables.begin(); it != m_aheadTables.end() && it->first < end;) {
        if (it->second.end <= first) {
            it = m_aheadTables.erase(it);
            continue;
        }
        CountInodes(it->second, it->first, sectors, first);
        ++it;
    }
}

void CEXT2SearchController::AddFound(std::unique_ptr<CExt2SearchedPartitionInfo> partition)
{
    for (auto& listed : m_found) {
        if (!listed->IsSame(*partition)) continue;
        ++listed->u64FoldersMatch;
        ++listed->m_copies;
        return;
    }
    if (m_found.size() < kMaxFound) {
        AddInodeTables(*partition);
        m_found.push_back(std::move(partition));
    }
}

void CEXT2SearchController::GetSearchedPartitions(CSearchedPartitionList& partitions)
{
    try {
        std::map<CopyKey, CExt2SearchedPartitionInfo*> byCopy;
        for (auto& listed : m_found) {
            CExt2SearchedPartitionInfo* x = listed.get();
            auto [it, inserted] = byCopy.emplace(KeyOf(*x), x);
            if (inserted) continue;
            CExt2SearchedPartitionInfo* e = it->second;
            if (x->m_copies > e->m_copies) {
                it->second = x;
                x->MergeLowerCopy(*e);
            } else {
                e->MergeLowerCopy(*x);
            }
        }
        std::set<CExt2SearchedPartitionInfo*> handed;
        for (auto& [key, partition] : byCopy) {
            partition->Score();
            handed.insert(partition);
        }
        for (auto& [key, partition] : byCopy) partitions.push_back(partition);
        // The caller owns them now; partitions that lost a merge stay here.
        for (auto& listed : m_found)
            if (handed.count(listed.get())) (void)listed.release();
        std::erase_if(m_found, [](const auto& p) { return p == nullptr; });
    } catch (const std::exception& e) {
        LogExt2Exception(e);
    }
}

bool CEXT2SearchController::IsFileSystemSupported(int fileSystemKind) const
{
    return fileSystemKind == kFsKindExt2 || fileSystemKind == kFsKindExt3;
}

CFileSystemNode* CEXT2SearchController::BuildDirectoryTree(CSearchedPartitionInfo* partition, IStorageDevice* device,
                                                           int index, IDIRBuildCallback* callback)
{
    auto* found = dynamic_cast<CExt2SearchedPartitionInfo*>(partition);
    if (!found || !device) return nullptr;
    try {
        IStorageDevice* view = device->GetAs512SectorDevice();
        if (!found->HasTable() && !found->ReloadFromDevice(view)) return nullptr;
        CExt2FileSystem fs(view, found->u64StartSector, *found, &found->GetDescriptors());
        CExt2TreeBuilder builder(index);
        CFileSystemNode* root = Ext2BuildDirectoryTreeThread(&builder, &fs, callback);
        if (!root) return nullptr;
        const std::vector<bool>& used = builder.GetUsedBlocks();
        const uint64_t blocks = fs.GetSuperBlock().Record().s_blocks_count;
        if (m_hits && used.size() >= blocks && fs.BlockToSector(0) >= 0) {
            // Signature hits in blocks that no found file uses become the partition's "Raw Files" folder.
            // The file system counts the sectors of the 512-byte view.
            const CClusterUseBitMap bitmap({&used, uint64_t(fs.BlockToSector(0)), fs.GetSectorsPerBlock(), blocks,
                                            uint32_t(view->GetSectorSize())});
            try {
                CRawResultTreeBuilder raw;
                if (CFileSystemNode* folder =
                        raw.Build(device, m_hits->GetIterator(), &bitmap, callback, m_hits->GetMeasurer()))
                    root->AddChild(folder);
            } catch (const std::exception& e) {
                LogExt2Exception(e); // the tree stands without the folder
            }
        }
        GetRecoverySettings()->m_ext2TreeRoot = root;
        return root;
    } catch (const std::exception& e) {
        LogExt2Exception(e);
        return nullptr;
    }
}
