// The NTFS tree built from scan results.
#include "filesystems/ntfs/CNTFSScanTreeBuilder.h"

#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/CNTFSMftScanBuilder.h"
#include "filesystems/ntfs/CNTFSTreeAssembler.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/ntfs/NTFSPartitionNode.h"
#include "filesystems/ntfs/NtfsAttributeList.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"
#include "filesystems/tree/CClusterUseBitMap.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/CRawResultTreeBuilder.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IDataRunList.h"
#include "filesystems/tree/TreeReshaping.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr uint32_t kMaxRecordBytes = 4096;
constexpr uint64_t kMaxSectorSize = 65536;

// Calls f(v, w) for every window of the walk over the record runs inside [start, end), in order; f answers
// false to stop.
template <class F>
void WalkWindows(const std::vector<CNTFSRecordRun>& runs, uint64_t start, uint64_t end, uint64_t deviceSectors, F&& f)
{
    uint64_t windowEnd = start;
    for (const CNTFSRecordRun& run : runs) {
        const uint64_t spr = run.GetSectorsPerRecord();
        const uint64_t first = run.GetFirstSector();
        const uint64_t count = run.GetCount();
        uint64_t i = 0;
        while (i < count) {
            // The first position of the run at or past both the partition start and the last window.
            const uint64_t from = std::max(start, windowEnd);
            if (first < from) {
                const uint64_t skip = (from - first + spr - 1) / spr;
                if (skip > i) i = skip;
                if (i >= count) break;
            }
            if (i > (UINT64_MAX - first) / spr) break;
            const uint64_t v = first + i * spr;
            if (v >= end || v >= deviceSectors) return;
            const uint64_t w = std::min<uint64_t>(CNTFSScanTreeBuilder::kWindowSectors, end - v);
            if (!f(v, w)) return;
            windowEnd = v + w;
            ++i;
        }
    }
}

struct BuildContext {
    IStorageDevice* device = nullptr;
    uint32_t sectorSize = 512;
    uint64_t start = 0;
    uint32_t spc = 1;
    uint32_t sectorsPerRecord = 2;
    const CSearchedNTFSPartitionInfo* partition = nullptr;
    std::vector<std::unique_ptr<CNTFSMftTable>>* tables = nullptr;
    std::vector<std::unique_ptr<CNTFSRecordEntry>>* freeEntries = nullptr;
    NTFSScanTreeCounters* counters = nullptr;
};

void ReadWindow(const BuildContext& ctx, std::vector<uint8_t>& buffer, uint64_t v, uint64_t sectors)
{
    std::fill(buffer.begin(), buffer.end(), 0);
    if (ctx.device->ReadSectors(buffer.data(), v, sectors)) return;
    for (uint64_t i = 0; i < sectors; ++i) {
        uint8_t* at = buffer.data() + i * ctx.sectorSize;
        if (!ctx.device->ReadSectors(at, v + i, 1)) {
            std::memset(at, 0, ctx.sectorSize);
            ++ctx.counters->unreadSectors;
        }
    }
}

void ProcessRecord(const BuildContext& ctx, std::span<uint8_t> raw, uint64_t s)
{
    CNTFSMftTable* table = nullptr;
    const uint64_t cluster = (s - ctx.start) / ctx.spc;
    for (auto& t : *ctx.tables)
        if (t->GetCandidate().GetRunList().IsLcnInRunList(int64_t(cluster))) {
            table = t.get();
            break;
        }
    if (ctx.partition->bMftOnly && !table) return;
    if (!ctx.partition->bUseMft) table = nullptr;

    auto entry = std::make_unique<CNTFSRecordEntry>();
    bool hasAttributeList = false;
    {
        const CNTFSFileRecord view(raw, false);
        if (!view.IsValid() || view.IsExtension()) return;
        ++ctx.counters->records;
        if (!entry->Fill(view, s) || IsSystemMetafile(view)) return;
        hasAttributeList = bool(view.FindAttribute(ntfs::kAttrAttributeList));
    }
    if (table) {
        const int64_t number = RecordNumberOfSector(s, table->GetCandidate(), ctx.start, ctx.spc);
        if (number != -1) entry->recordNumber = number;
    }
    std::vector<CNTFSExtensionEntry> extensions;
    if (table && hasAttributeList)
        extensions = GetExtensionRecordSectors(raw, s, ctx.spc, ctx.start, ctx.device,
                                               table->GetCandidate().GetRunList(), ctx.sectorsPerRecord);
    CNTFSFileRecordGroup group(raw, s, ctx.device, &extensions);
    int64_t parent = -1;
    std::unique_ptr<CNTFSFileProperties> properties =
        BuildNTFSFileProperties(group, s, ctx.spc * ctx.sectorSize, &parent);
    if (!properties) return;
    properties->SetExtensionRecords(std::move(extensions));
    if (entry->parent == -1 && parent != -1) entry->parent = parent;
    entry->properties = std::move(properties);
    if (table) {
        table->GetEntries().push_back(std::move(entry));
        ++ctx.counters->tableEntries;
    } else {
        ctx.freeEntries->push_back(std::move(entry));
        ++ctx.counters->freeEntries;
    }
}

void ProcessWindow(const BuildContext& ctx, std::vector<uint8_t>& buffer, uint64_t v, uint64_t w, uint64_t end)
{
    // Records that start in the window's last sectors are read whole: the window reaches past itself.
    const uint64_t extra = std::max<uint64_t>(1, kMaxRecordBytes / ctx.sectorSize) - 1;
    const uint64_t limit = std::min(end, ctx.device->GetSectorCount());
    const uint64_t sectors = std::min(w + extra, limit > v ? limit - v : 0);
    if (sectors == 0) return;
    ReadWindow(ctx, buffer, v, sectors);
    for (uint64_t i = 0; i < w && i < sectors; ++i) {
        const size_t at = size_t(i * ctx.sectorSize);
        const size_t available = size_t(sectors * ctx.sectorSize) - at;
        const std::span<uint8_t> bytes(buffer.data() + at, available);
        if (!IsFileRecordHeader(bytes)) continue;
        const uint32_t allocated = bytes::LoadU32le(bytes.data() + 0x1C);
        ProcessRecord(ctx, bytes.first(std::min<size_t>(allocated, available)), v + i);
    }
}

// Highest cluster the runs reach, or -1 for none.
int64_t HighestCluster(const CNTFSRunList& runs)
{
    int64_t high = -1;
    for (const CNTFSRun& r : runs.Runs()) {
        if (r.IsSparse() || r.length == 0) continue;
        if (r.length - 1 > uint64_t(INT64_MAX - r.lcn)) return INT64_MAX;
        high = std::max(high, r.lcn + int64_t(r.length - 1));
    }
    return high;
}

void MarkSector(const NtfsClusterMarker& m, uint64_t sector, uint64_t sectors)
{
    if (sector < m.firstSector || m.sectorsPerCluster == 0) return;
    const uint64_t first = (sector - m.firstSector) / m.sectorsPerCluster;
    const uint64_t last = (sector - m.firstSector + std::max<uint64_t>(sectors, 1) - 1) / m.sectorsPerCluster;
    for (uint64_t c = first; c <= last && c < m.bits->size(); ++c) (*m.bits)[c] = true;
}

} // namespace

void MarkTreeClusters(CFileNode* root, const NtfsClusterMarker& marker)
{
    if (!root || !marker.bits || marker.sectorsPerCluster == 0) return;
    const uint64_t clusterBytes = uint64_t(marker.sectorsPerCluster) * marker.sectorSize;
    // A record is 1024 bytes, or one sector when sectors are larger.
    const uint64_t recordSectors = std::max<uint64_t>(1, 1024 / marker.sectorSize);
    WalkFileTreeBreadthFirst(root, [&](CFileNode* node) {
        IFileProperties* properties = node->GetProperties();
        if (!properties) return;
        if (std::unique_ptr<IDataRunList> runs{properties->GetDataRunList()}) {
            if (runs->GetResidentOffset() != 0) {
                if (runs->GetRunCount() != 0 && runs->GetRuns().front().firstCluster >= 0)
                    MarkSector(marker, uint64_t(runs->GetRuns().front().firstCluster), recordSectors);
            } else {
                const uint64_t size = properties->GetSize();
                uint64_t counted = 0;
                for (const DataRun& run : runs->GetRuns()) {
                    if (counted >= size) break;
                    for (uint64_t k = 0; k < run.length && counted < size; ++k) {
                        if (!run.IsSparse()) {
                            const uint64_t c = uint64_t(run.firstCluster) + k;
                            if (c >= marker.bits->size()) {
                                // The rest of the run lies outside the bitmap: only its size still counts.
                                const uint64_t rest = run.length - k;
                                counted = rest > (size - counted) / clusterBytes ? size : counted + rest * clusterBytes;
                                break;
                            }
                            (*marker.bits)[c] = true;
                        } else if (run.length - k > (size - counted) / clusterBytes) {
                            counted = size;
                            break;
                        } else {
                            counted += (run.length - k) * clusterBytes;
                            break;
                        }
                        counted += clusterBytes;
                    }
                }
            }
        }
        if (properties->GetPropertiesType() == kPropertiesNTFS)
            MarkSector(marker, static_cast<CNTFSFileProperties*>(properties)->GetRecordSector(), recordSectors);
    });
}

CFileSystemNode* CNTFSScanTreeBuilder::Build(const CNTFSScanFindings& findings, CSearchedPartitionInfo* partitionInfo,
                                             CRawFileList* hits, IStorageDevice* device, int index,
                                             IDIRBuildCallback* callback)
{
    using bytes::ParseStatus;
    callback = &CallbackOrQuiet(callback);
    m_counters = {};
    m_result = {};
    auto* partition = dynamic_cast<CSearchedNTFSPartitionInfo*>(partitionInfo);
    const int32_t sectorSize = device ? device->GetSectorSize() : 0;
    if (!partition || !device || sectorSize <= 0 || uint64_t(sectorSize) > kMaxSectorSize ||
        partition->bySectorsPerCluster == 0) {
        m_result.Merge(device ? ParseStatus::Corrupt : ParseStatus::IoFailure);
        return nullptr;
    }

    BuildContext ctx;
    ctx.device = device;
    ctx.sectorSize = uint32_t(sectorSize);
    ctx.start = partition->u64DataAreaStartSector;
    ctx.spc = partition->bySectorsPerCluster;
    ctx.sectorsPerRecord = std::max<uint32_t>(1, GetFileRecordSize(device) / ctx.sectorSize);
    ctx.partition = partition;
    ctx.counters = &m_counters;
    const uint64_t end =
        ctx.start + partition->u64SectorsCount < ctx.start ? UINT64_MAX : ctx.start + partition->u64SectorsCount;

    // One table per $MFT candidate that fits this partition.
    std::vector<std::unique_ptr<CNTFSMftTable>> tables;
    for (const auto& m : findings.mftCandidates) {
        const int64_t first = m->GetFirstCluster();
        if (first < 0 || m->GetRecordSector() < 0) continue;
        if (!NtfsIsRecordIndexAt(uint64_t(m->GetRecordSector()), uint64_t(first), ctx.start, ctx.spc)) continue;
        const int64_t high = HighestCluster(m->GetRunList());
        if (high < 0 || uint64_t(high) >= partition->u64SectorsCount / ctx.spc) continue;
        auto table = std::make_unique<CNTFSMftTable>();
        table->GetCandidate() = *m;
        table->GetCandidate().SetSectorsPerCluster(uint8_t(ctx.spc));
        table->GetCandidate().SetSectorsPerRecord(uint8_t(ctx.sectorsPerRecord));
        tables.push_back(std::move(table));
    }
    std::vector<std::unique_ptr<CNTFSRecordEntry>> freeEntries;
    ctx.tables = &tables;
    ctx.freeEntries = &freeEntries;

    const uint64_t deviceSectors = device->GetSectorCount();
    uint64_t windows = 0;
    WalkWindows(findings.recordRuns, ctx.start, end, deviceSectors, [&](uint64_t, uint64_t) {
        ++windows;
        return true;
    });
    const std::string reading = kNTFSTextReadingFiles;
    callback->Begin(reading.c_str(), ClampToProgress(windows));
    std::vector<uint8_t> buffer(size_t(kWindowSectors + kMaxRecordBytes / ctx.sectorSize + 1) * ctx.sectorSize, 0);
    bool cancelled = false;
    WalkWindows(findings.recordRuns, ctx.start, end, deviceSectors, [&](uint64_t v, uint64_t w) {
        ProcessWindow(ctx, buffer, v, w, end);
        ++m_counters.windows;
        if (callback->Step(1) == -1) {
            cancelled = true;
            return false;
        }
        return true;
    });
    if (m_counters.unreadSectors)
        LogError("NTFS: %" PRIu64 " sectors around found records could not be read; they were taken as zeros\n",
                 m_counters.unreadSectors);

    uint64_t entries = freeEntries.size();
    for (auto& t : tables) entries += t->GetEntries().size();
    callback->Begin(kNTFSTextBuildingDirectories, ClampToProgress(entries));

    std::string label;
    const bool hasLabel =
        partition->u64MftSector != CSearchedNTFSPartitionInfo::kUnknown &&
        partition->u64MftSector <= uint64_t(INT64_MAX) &&
        ReadVolumeLabelNearMft(int64_t(partition->u64MftSector), device, label, GetFileRecordSize(device));
    CFileSystemNode* root = NewNTFSFileNode(ctx.start, uint8_t(ctx.spc), index, hasLabel ? label.c_str() : nullptr);
    CNTFSTreeAssembler assembler(device);
    for (auto& t : tables) {
        if (cancelled) break;
        assembler.Assemble(*t, t->GetRootNode(), *partition, callback);
        cancelled = assembler.WasCancelled();
        // The table's top folders move under the partition's root.
        while (CFileNode* child = t->GetRootNode()->GetFirstChild()) {
            t->GetRootNode()->RemoveChild(child, nullptr);
            root->AddChild(child);
        }
    }
    if (!cancelled && !freeEntries.empty()) {
        std::vector<std::pair<int64_t, CNTFSRecordEntry*>> leftOver;
        leftOver.reserve(freeEntries.size());
        for (auto& e : freeEntries) leftOver.emplace_back(e->parent, e.get());
        std::stable_sort(leftOver.begin(), leftOver.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        if (CFileNode* lost = assembler.GatherOrphans(leftOver, callback)) root->AddChild(lost);
        cancelled = assembler.WasCancelled();
    }
    ClearEntryLinks(root);
    if (GetRecoverySettings()->m_photoMode) PruneEmptyFolders2(root);

    if (!cancelled && hits && callback->CheckCancel() == -1) cancelled = true;
    if (!cancelled && hits) {
        const uint64_t clusters = std::min<uint64_t>(
            {partition->u64SectorsCount / ctx.spc,
             deviceSectors > ctx.start ? (deviceSectors - ctx.start) / ctx.spc : 0, kMaxBitmapClusters});
        std::vector<bool> bits(size_t(clusters), false);
        MarkTreeClusters(root, {&bits, ctx.start, ctx.spc, ctx.sectorSize});
        const CClusterUseBitMap bitmap({&bits, ctx.start, ctx.spc, clusters, ctx.sectorSize});
        CRawResultTreeBuilder raw;
        if (CFileSystemNode* rawRoot = raw.Build(device, hits->GetIterator(), &bitmap, callback, hits->GetMeasurer()))
            root->AddChild(rawRoot);
    }

    tables.clear();
    freeEntries.clear();
    m_result.counters.recordsRead = m_counters.records;
    if (m_counters.unreadSectors != 0) m_result.Merge(ParseStatus::IoFailure);
    if (cancelled) m_result.Merge(ParseStatus::Cancelled);
    if (!root->GetFirstChild()) {
        DeleteFoundTree(root);
        m_result.Merge(ParseStatus::Corrupt);
        return nullptr;
    }
    return root;
}
