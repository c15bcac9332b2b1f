// The NTFS directory-tree build from the master file table.
#include "filesystems/ntfs/CNTFSMftScanBuilder.h"

#include "core/CRecoverySettings.h"
#include "core/devices/CReadLossRelay.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/CNTFSTreeAssembler.h"
#include "filesystems/ntfs/NTFSPartitionNode.h"
#include "filesystems/ntfs/NtfsAttributeList.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/TreeReshaping.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstring>
#include <system_error>
#include <thread>

namespace {

constexpr uint32_t kBootBufferBytes = 4096;
constexpr uint32_t kMaxSectorSize = 65536;
// A real $MFT needs one or two passes over its attribute list; a crafted chain must not take quadratic time.
constexpr int kMaxAttributeListPasses = 64;

} // namespace

CFileSystemNode* CNTFSMftScanBuilder::Build(uint64_t startSector, IStorageDevice* device, IDIRBuildCallback* callback,
                                            const MessagePump& pump)
{
    using bytes::ParseStatus;
    m_result = nullptr;
    m_counters = {};
    m_outcome = {};
    m_done.store(false, std::memory_order_release);
    if (!device) {
        m_outcome.Merge(ParseStatus::IoFailure);
        return nullptr;
    }
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0 || uint32_t(sectorSize) > kMaxSectorSize) {
        m_outcome.Merge(ParseStatus::Corrupt);
        return nullptr;
    }
    const uint64_t sectorCount = device->GetSectorCount();
    m_partition = CSearchedPartitionInfo(uint32_t(sectorSize));
    m_partition.nSectorSize = uint32_t(sectorSize);
    m_partition.nFileSystemKind = kFsKindNtfs;
    m_partition.u64SectorsCount = sectorCount == 0 ? 0 : sectorCount - 1;
    m_partition.u64DataAreaStartSector = startSector;
    m_partition.u64StartSector = startSector;
    m_partition.bySectorsPerCluster = 1;
    m_sectorSize = uint32_t(sectorSize);
    m_device = device;
    m_callback = &CallbackOrQuiet(callback);

    CNTFSDBR bootSector;
    if (!ReadBootSector(bootSector) || !SetGeometry(bootSector)) {
        m_outcome.Merge(ParseStatus::Corrupt); // an unreadable boot sector has made it IoFailure already
        return nullptr;
    }

    CReadLossRelay losses;
    std::thread worker;
    try {
        worker = std::thread([this, &losses] {
            CReadLossRelay::Collector collect(losses);
            Worker();
        });
    } catch (const std::system_error&) {
        m_outcome.Merge(ParseStatus::IoFailure); // nothing could be read
        return nullptr;
    }
    std::unique_lock lock(m_doneLock);
    while (!m_done.load(std::memory_order_acquire)) {
        m_doneSignal.wait_for(lock, std::chrono::milliseconds(10));
        if (pump && !m_done.load(std::memory_order_acquire)) {
            lock.unlock();
            pump();
            lock.lock();
        }
    }
    lock.unlock();
    worker.join();
    losses.Deliver();
    return m_result;
}

void CNTFSMftScanBuilder::Worker()
{
    CFileSystemNode* tree = Scan();
    if (m_callback->CheckCancel() == -1) {
        DeleteFoundTree(tree);
        tree = nullptr;
        m_outcome.Merge(bytes::ParseStatus::Cancelled);
    }
    if (!tree) m_outcome.Merge(bytes::ParseStatus::Corrupt);
    if (m_counters.failedReads != 0) m_outcome.Merge(bytes::ParseStatus::IoFailure);
    m_outcome.counters.recordsRead = m_counters.entries;
    m_outcome.counters.readFailures = m_counters.failedReads;
    m_result = tree;
    {
        std::lock_guard lock(m_doneLock);
        m_done.store(true, std::memory_order_release);
    }
    m_doneSignal.notify_all();
}

bool CNTFSMftScanBuilder::ReadBootSector(CNTFSDBR& bootSector)
{
    std::vector<uint8_t> buffer(std::max(kBootBufferBytes, m_sectorSize), 0);
    if (!m_device->ReadSectors(buffer.data(), m_partition.u64DataAreaStartSector, 1)) {
        m_outcome.Merge(bytes::ParseStatus::IoFailure);
        return false;
    }
    return bootSector.Attach(std::span<const uint8_t>(buffer).first(CNTFSDBR::kSize));
}

bool CNTFSMftScanBuilder::SetGeometry(const CNTFSDBR& bootSector)
{
    // Clusters and records are counted in the device's sectors, which need not be the boot sector's.
    const uint64_t bytesPerCluster = uint64_t(bootSector.GetBytesPerSector()) * bootSector.GetSectorsPerCluster();
    const uint64_t sectorsPerCluster = bytesPerCluster / m_sectorSize;
    m_bytesPerRecord = bootSector.GetBytesPerFileRecord();
    // A record smaller than a sector has no sector of its own to be found at.
    if (bytesPerCluster % m_sectorSize != 0 || sectorsPerCluster == 0 || sectorsPerCluster > 128 ||
        m_bytesPerRecord == 0 || m_bytesPerRecord % m_sectorSize != 0)
        return false;
    m_sectorsPerRecord = m_bytesPerRecord / m_sectorSize;
    m_partition.bySectorsPerCluster = uint8_t(sectorsPerCluster);
    return true;
}

CFileSystemNode* CNTFSMftScanBuilder::Scan()
{
    CNTFSDBR bootSector;
    if (!ReadBootSector(bootSector) || !SetGeometry(bootSector)) return nullptr;
    auto table = std::make_unique<CNTFSMftTable>();
    CNTFSMftCandidate& candidate = table->GetCandidate();
    if (!LocateMft(bootSector, candidate)) return nullptr;

    std::string label;
    const bool hasLabel = candidate.GetRecordSector() >= 0 &&
                          ReadVolumeLabelNearMft(candidate.GetRecordSector(), m_device, label, m_bytesPerRecord);

    if (!ReadMftRecords(*table)) {
        m_outcome.Merge(bytes::ParseStatus::Cancelled);
        return nullptr;
    }
    m_counters.entries = table->GetEntries().size();

    m_callback->Begin(kNTFSTextBuildingDirectories, ClampToProgress(table->GetEntries().size()));
    CFileSystemNode* root = NewNTFSFileNode(m_partition.u64DataAreaStartSector, m_partition.bySectorsPerCluster, 0,
                                            hasLabel ? label.c_str() : nullptr);
    CNTFSTreeAssembler assembler(m_device);
    assembler.Assemble(*table, root, m_partition, m_callback);
    if (assembler.WasCancelled()) {
        DeleteFoundTree(root);
        m_outcome.Merge(bytes::ParseStatus::Cancelled);
        return nullptr;
    }
    if (GetRecoverySettings()->m_photoMode) PruneEmptyFolders2(root);
    // The entries go with the table; the nodes must not keep pointing at them.
    ClearEntryLinks(root);
    table.reset();
    // A volume whose $MFT was read but holds nothing beyond the system files (a freshly formatted one) was
    // read: its tree is the bare root, not a failure.
    return root;
}

bool CNTFSMftScanBuilder::ReadMftRecordAt(uint64_t sector, std::vector<uint8_t>& buffer, bool* unreadable)
{
    buffer.assign(size_t(m_sectorsPerRecord) * m_sectorSize, 0);
    if (!m_device->ReadSectors(buffer.data(), sector, m_sectorsPerRecord)) {
        if (unreadable) *unreadable = true;
        return false;
    }
    return ValidateFileRecord(buffer) && IsMftRecord(std::span<const uint8_t>(buffer).first(ntfs::kMinFileRecord));
}

bool CNTFSMftScanBuilder::LocateMft(const CNTFSDBR& bootSector, CNTFSMftCandidate& candidate)
{
    const uint64_t start = m_partition.u64DataAreaStartSector;
    const uint64_t spc = m_partition.bySectorsPerCluster;
    const uint64_t deviceSectors = m_device->GetSectorCount();
    bool unreadable = false;
    for (const uint64_t cluster : {bootSector.GetMftCluster(), bootSector.GetMftMirrCluster()}) {
        if (start >= deviceSectors || cluster > (deviceSectors - start) / spc) continue;
        const uint64_t sector = start + cluster * spc;
        std::vector<uint8_t> buffer;
        if (!ReadMftRecordAt(sector, buffer, &unreadable)) continue;
        const CNTFSFileRecord record{std::span<const uint8_t>(buffer)};
        if (record.FindAttribute(ntfs::kAttrAttributeList)) {
            LogInfo("MFT file record has 0x20 attribute, MFT start sector is %" PRIu64 "\n", sector);
            ReadMftRunsFromAttributeList(buffer, candidate);
            candidate.SetSectorsPerCluster(uint8_t(spc));
            candidate.SetSectorsPerRecord(uint8_t(m_sectorsPerRecord));
            return true;
        }
        if (!candidate.Fill(record, sector, int(m_sectorSize))) {
            candidate.GetRunList().Clear();
            continue;
        }
        candidate.SetSectorsPerCluster(uint8_t(spc));
        candidate.SetSectorsPerRecord(uint8_t(m_sectorsPerRecord));
        return true;
    }
    // Neither copy of the $MFT's own record: lost to a failed read rather than damage when one was unreadable.
    if (unreadable) m_outcome.Merge(bytes::ParseStatus::IoFailure);
    return false;
}

void CNTFSMftScanBuilder::ReadMftRunsFromAttributeList(std::span<const uint8_t> record, CNTFSMftCandidate& candidate)
{
    const uint64_t start = m_partition.u64DataAreaStartSector;
    const uint32_t spc = m_partition.bySectorsPerCluster;
    CNTFSRunList& runs = candidate.GetRunList();
    {
        const CNTFSFileRecord view(record);
        CollectDataRuns(view.Record(), runs, false, nullptr);
    }
    std::vector<CNTFSExtensionEntry> pending = ReadAttributeList(record, start, spc, m_device);
    std::erase_if(pending, [](const CNTFSExtensionEntry& e) { return e.reference == 0; });

    // An extension record may lie in a part of the $MFT that only another extension record describes: each
    // pass maps what the runs found so far allow, until a pass maps nothing more.
    std::vector<uint8_t> buffer;
    bool progress = true;
    for (int pass = 0; progress && !pending.empty() && pass < kMaxAttributeListPasses; ++pass) {
        progress = false;
        for (auto it = pending.begin(); it != pending.end();) {
            const int64_t sector = MftRecordToSector(it->reference, spc, start, runs, m_sectorsPerRecord);
            if (sector < 0) {
                ++it;
                continue;
            }
            buffer.assign(size_t(m_sectorsPerRecord) * m_sectorSize, 0);
            if (m_device->ReadSectors(buffer.data(), uint64_t(sector), m_sectorsPerRecord)) {
                const CNTFSFileRecord extension{std::span<const uint8_t>(buffer)};
                if (extension.IsValid()) CollectDataRuns(extension.Record(), runs, false, nullptr);
            }
            it = pending.erase(it);
            progress = true;
        }
    }
    runs.SortByVcn();
}

bool CNTFSMftScanBuilder::ReadMftRecords(CNTFSMftTable& table)
{
    const uint64_t start = m_partition.u64DataAreaStartSector;
    const uint64_t spc = m_partition.bySectorsPerCluster;
    const uint64_t deviceSectors = m_device->GetSectorCount();
    const std::vector<CNTFSRun> runs = table.GetCandidate().GetRunList().Runs();

    // The $MFT cannot be larger than the device: a damaged run list must not make the walk endless.
    uint64_t total = 0;
    for (const CNTFSRun& run : runs) {
        const uint64_t sectors = run.length > deviceSectors / spc ? deviceSectors : run.length * spc;
        total = std::min(deviceSectors, total + sectors);
    }
    m_callback->Begin(kNTFSTextReadingFiles, ClampToProgress(total / kWindowSectors));

    std::vector<uint8_t> window(size_t(kWindowSectors) * m_sectorSize, 0);
    std::vector<uint64_t> slots(kWindowSectors, 0);
    uint32_t filled = 0;
    uint64_t base = 0;
    uint64_t budget = total;
    for (const CNTFSRun& run : runs) {
        if (budget == 0) break;
        uint64_t left = std::min(budget, run.length > deviceSectors / spc ? deviceSectors : run.length * spc);
        budget -= left;
        // A hole in the $MFT, or a run outside the device, holds no records: its slots stay zero.
        const bool readable =
            !run.IsSparse() && uint64_t(run.lcn) <= (deviceSectors - std::min(deviceSectors, start)) / spc;
        uint64_t sector = readable ? start + uint64_t(run.lcn) * spc : 0;
        while (left > 0) {
            const uint32_t piece = uint32_t(std::min<uint64_t>(left, kWindowSectors - filled));
            uint8_t* at = window.data() + size_t(filled) * m_sectorSize;
            if (!readable) {
                std::memset(at, 0, size_t(piece) * m_sectorSize);
            } else if (!m_device->ReadSectors(at, sector, piece)) {
                // Which sectors of the piece came is unknown: none of them may pass for records, or the
                // window's earlier content would come back as ghosts at these sectors.
                std::memset(at, 0, size_t(piece) * m_sectorSize);
                ++m_counters.failedReads;
                m_counters.unreadSectors += piece;
                LogError("NTFS: reading %u $MFT sectors at sector %" PRIu64 " failed\n", piece, sector);
            }
            for (uint32_t k = 0; k < piece; ++k) slots[filled + k] = sector + k;
            filled += piece;
            sector += piece;
            left -= piece;
            if (filled == kWindowSectors) {
                ProcessMftWindow(table, window, slots, filled, base);
                base += kWindowSectors;
                filled = 0;
                if (m_callback->SetPos(ClampToProgress(base / kWindowSectors)) == -1 || m_callback->CheckCancel() == -1)
                    return false;
            }
        }
    }
    ProcessMftWindow(table, window, slots, filled, base);
    return true;
}

void CNTFSMftScanBuilder::ProcessMftWindow(CNTFSMftTable& table, std::span<uint8_t> window,
                                           const std::vector<uint64_t>& slots, uint32_t sectors, uint64_t base)
{
    const uint64_t start = m_partition.u64DataAreaStartSector;
    const uint32_t spc = m_partition.bySectorsPerCluster;
    const uint32_t r = m_sectorsPerRecord;
    const CNTFSRunList& mftRuns = table.GetCandidate().GetRunList();
    for (uint32_t i = 0; i < sectors; i += r) {
        ++m_counters.recordSlots;
        const size_t length = size_t(std::min(r, sectors - i)) * m_sectorSize;
        if (length < ntfs::kMinFileRecord) continue;
        const std::span<uint8_t> raw = window.subspan(size_t(i) * m_sectorSize, length);
        const uint64_t sector = slots[i];
        auto entry = std::make_unique<CNTFSRecordEntry>();
        std::vector<CNTFSExtensionEntry> extensions;
        int64_t parent = -1;
        std::unique_ptr<CNTFSFileProperties> properties;
        bool hasAttributeList = false;
        {
            // Fixed up in place while the view lives.
            const CNTFSFileRecord view(raw, false);
            if (!view.IsValid() || view.IsExtension() || IsSystemMetafile(view)) continue;
            if (!entry->Fill(view, sector)) continue;
            hasAttributeList = bool(view.FindAttribute(ntfs::kAttrAttributeList));
            if (!hasAttributeList) {
                // The record alone: its group reads the view's fixed-up bytes.
                CNTFSFileRecordGroup group(view, sector, m_device, &extensions);
                properties = BuildNTFSFileProperties(group, sector, spc * m_sectorSize, &parent);
            }
        }
        entry->recordNumber = int64_t((base + i) / r);

        if (hasAttributeList) {
            // The group takes the bytes as they lie on disk, and reads the extension records.
            extensions = GetExtensionRecordSectors(raw, sector, spc, start, m_device, mftRuns, r);
            CNTFSFileRecordGroup group(raw, sector, m_device, &extensions);
            properties = BuildNTFSFileProperties(group, sector, spc * m_sectorSize, &parent);
        }
        if (properties) {
            properties->SetExtensionRecords(std::move(extensions));
            if (entry->parent == -1 && parent != -1) entry->parent = parent;
            entry->properties = std::move(properties);
        }
        table.GetEntries().push_back(std::move(entry));
    }
}
