// The NTFS scanner: per-sector dispatch, FILE-record handling, the end of the scan and the saved state.
#include "filesystems/ntfs/CNTFSSearchController.h"

#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "core/filetypes/FileTypeRecord.h"
#include "core/rsdata/CRSException.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/ScanBlockRead.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CNTFSScanTreeBuilder.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsMetafiles.h"
#include "filesystems/ntfs/NtfsStructures.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/FileSystemKind.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

namespace {

constexpr uint64_t kMaxSectorSize = 65536;
// Blocks larger than this are a caller's error; they are analysed in pieces of this size.
constexpr uint64_t kMaxBlockBytes = 64ull << 20;
// Above this many candidates, those past the first ones survive only with some real evidence.
constexpr size_t kManyCandidates = 1000;
constexpr uint64_t kWeakScore = 10;
constexpr size_t kPruneIndexOnlyFrom = 50;

uint64_t ScorePart(uint64_t count, uint64_t full)
{
    if (count == CSearchedNTFSPartitionInfo::kUnknown) return 0;
    return std::min<uint64_t>(10, 10 * (count / full));
}

} // namespace

CNTFSSearchController::CNTFSSearchController() = default;
CNTFSSearchController::~CNTFSSearchController() = default;

void CNTFSSearchController::SetDevice(IStorageDevice* device)
{
    m_device = device;
    m_deviceSectors = device ? device->GetSectorCount() : 0;
    const int32_t size = device ? device->GetSectorSize() : 512;
    m_sectorSize = size > 0 && uint64_t(size) <= kMaxSectorSize && size % 512 == 0 ? uint32_t(size) : 512;
}

bool CNTFSSearchController::IsFileSystemSupported(int fileSystemKind) const
{
    return fileSystemKind == kFsKindNtfs;
}

void CNTFSSearchController::BeginSearch()
{
    if (!m_device) return;
    SetDevice(m_device);
    const CRecoverySettings* settings = GetRecoverySettings();
    m_useBootRecords = settings->m_useBootRecords != 0;
    m_lookSectors = std::max<uint32_t>(1, kLookAheadBytes / m_sectorSize);
    m_candidates.SetDevice(m_deviceSectors, m_sectorSize);
    m_matcher = std::make_unique<CNTFSIndexFolderMatcher>(m_candidates);
    m_mftAnalyser = std::make_unique<CNTFSMftAnalyser>(m_candidates, m_findings.mftCandidates, m_sectorSize,
                                                       settings->m_ntfsUseFilesForVolumeSize != 0);
    m_logAnalyser = std::make_unique<CNTFSLogFileAnalyser>(m_candidates, m_sectorSize);
    m_attrDefAnalyser = std::make_unique<CNTFSContentAnalyser>(CNTFSContentAnalyser::kAttrDef, m_sectorSize);
    m_upCaseAnalyser = std::make_unique<CNTFSContentAnalyser>(CNTFSContentAnalyser::kUpCase, m_sectorSize);
    m_pendingCount = 0;
    m_unreadSectors = 0;
    // The sectors waiting for the next block's look-ahead, followed by that much of the next block.
    m_buffer.assign(size_t(2 * uint64_t(m_lookSectors) * m_sectorSize), 0);
    m_active = true;
}

void CNTFSSearchController::ReadBlock(uint8_t* to, uint64_t first, uint64_t count)
{
    // The sectors that failed are zeros, the others are analysed as read.
    const uint64_t failed = ReadScanBlock(*m_device, to, first, count, m_sectorSize, [](uint64_t, uint64_t) {});
    m_unreadSectors += failed;
    if (failed)
        LogError("NTFS scan: %" PRIu64 " of %" PRIu64 " sectors at sector %" PRIu64
                 " could not be read; they are taken as zeros\n",
                 failed, count, first);
}

int CNTFSSearchController::AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount,
                                        CIntelligentSearchStatistics* statistics)
{
    if (!m_active || sectorCount == 0) return 1;
    const uint64_t maxPiece = std::max<uint64_t>(1, kMaxBlockBytes / m_sectorSize);
    while (sectorCount > 0) {
        const uint64_t piece = std::min(sectorCount, maxPiece);
        m_readBuffer.resize(size_t(piece * m_sectorSize));
        ReadBlock(m_readBuffer.data(), firstSector, piece);
        AnalyzeBlockBytes(firstSector, piece, m_readBuffer, statistics);
        firstSector += piece;
        sectorCount -= piece;
    }
    m_readBuffer = {};
    return 1;
}

int CNTFSSearchController::AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                                             CIntelligentSearchStatistics* statistics)
{
    if (!m_active || sectorCount == 0) return 1;
    sectorCount = std::min<uint64_t>(sectorCount, bytes.size() / m_sectorSize);
    if (sectorCount == 0) return 1;
    if (m_pendingCount != 0 && m_pendingFirst + m_pendingCount != firstSector) FlushPending();
    Counts counts;
    // The sectors waiting from the last block (at most the look-ahead) followed by this block form one run.
    // Those whose look-ahead reaches past the run wait for the next block, unless the device ends here.
    const uint64_t pending = m_pendingCount;
    if (pending == 0) m_pendingFirst = firstSector;
    const uint64_t total = pending + sectorCount;
    const bool atEnd = firstSector + sectorCount >= m_deviceSectors;
    const uint64_t ready = atEnd ? total : (total > m_lookSectors ? total - m_lookSectors : 0);
    const size_t unit = m_sectorSize;
    if (pending != 0) {
        // The waiting sectors are analysed from their own copy joined to the start of this block.
        const uint64_t joined = std::min<uint64_t>(sectorCount, m_lookSectors);
        std::memcpy(m_buffer.data() + pending * unit, bytes.data(), size_t(joined * unit));
        const uint64_t available = pending + joined;
        ProcessSectors(std::span<const uint8_t>(m_buffer.data(), size_t(available * unit)), m_pendingFirst,
                       std::min(ready, pending), available, counts);
    }
    if (ready > pending)
        ProcessSectors(bytes.first(size_t(sectorCount * unit)), firstSector, ready - pending, sectorCount, counts);
    // What is not analysed yet keeps its own bytes: the block is gone by the next call.
    const uint64_t left = total - ready;
    if (left != 0) {
        if (ready >= pending)
            std::memcpy(m_buffer.data(), bytes.data() + (ready - pending) * unit, size_t(left * unit));
        else if (ready != 0)
            std::memmove(m_buffer.data(), m_buffer.data() + ready * unit, size_t(left * unit));
    }
    m_pendingFirst += ready;
    m_pendingCount = left;
    if (statistics) {
        statistics->NTFSBootRecords += counts.bootRecords;
        statistics->NTFSFileRecords += counts.fileRecords;
        statistics->TotalFilesFound += counts.files;
    }
    return 1;
}

void CNTFSSearchController::FlushPending()
{
    Counts counts;
    ProcessSectors(std::span<const uint8_t>(m_buffer.data(), size_t(m_pendingCount * m_sectorSize)), m_pendingFirst,
                   m_pendingCount, m_pendingCount, counts);
    m_pendingCount = 0;
}

void CNTFSSearchController::ProcessSectors(std::span<const uint8_t> all, uint64_t firstSector, uint64_t count,
                                           uint64_t available, Counts& counts)
{
    // Sectors are asked for some way ahead: one a time, from memory, would wait for each.
    constexpr uint64_t kAhead = 16;
    for (uint64_t i = 0; i < count; ++i) {
        if (i + kAhead < available) __builtin_prefetch(all.data() + (i + kAhead) * m_sectorSize);
        const uint64_t look = std::min<uint64_t>(m_lookSectors, available - i);
        ProcessSector(firstSector + i, all.subspan(size_t(i * m_sectorSize), size_t(look * m_sectorSize)), counts);
    }
}

void CNTFSSearchController::ProcessSector(uint64_t sector, std::span<const uint8_t> bytes, Counts& counts)
{
    if (IsNtfsBootSector(bytes)) {
        if (m_useBootRecords) {
            CNTFSDBR boot;
            if (boot.Attach(bytes.first(CNTFSDBR::kSize))) m_candidates.AnalyzeBootSector(sector, boot);
            ++counts.bootRecords;
        }
    } else if (bytes[0] == 'R' && CNTFSLogFileAnalyser::IsRestartPage(bytes)) {
        m_logAnalyser->AnalyzeRestartPage(sector);
    } else if (bytes[0] == 'I') {
        m_matcher->AnalyzeIndexRecord(sector, bytes);
    }
    bool file = false;
    if (AnalyzeFileRecordSector(sector, bytes, &file)) ++counts.fileRecords;
    if (file) ++counts.files;
    m_attrDefAnalyser->AnalyzeSector(sector, bytes.first(m_sectorSize));
    m_upCaseAnalyser->AnalyzeSector(sector, bytes.first(m_sectorSize));
    if (bytes[0] == 'R') m_logAnalyser->AnalyzePageSector(sector, bytes);
}

bool CNTFSSearchController::IsListedFile(const CNTFSFileRecord& record)
{
    // What the found-file tree lists: base records of files past the metafiles of the first 16 records, with
    // a name (records made ready by the format and never used have none) outside the metafile folder $Extend.
    if (record.IsDirectory() || record.IsExtension() || record.GetRecordNumber() < kFirstUserRecord) return false;
    const CNTFSAttributeHeader name = record.FindAttribute(kFileNameAttribute);
    if (!name || name.IsNonResident()) return false;
    const std::span<const uint8_t> value = name.GetValue();
    if (value.size() < 8) return false;
    const uint64_t parent =
        uint64_t(bytes::LoadU32le(value.data())) | (uint64_t(bytes::LoadU32le(value.data() + 4)) << 32);
    return (parent & ntfs::kRecordNumberMask) != kExtendRecord;
}

bool CNTFSSearchController::AnalyzeFileRecordSector(uint64_t sector, std::span<const uint8_t> bytes, bool* isFile)
{
    if (!IsFileRecordHeader(bytes)) {
        m_mftAnalyser->AnalyzeRecord(sector, nullptr);
        return false;
    }
    // The record is as long as its header says (1024 to 4096 bytes), as far as the look-ahead holds it.
    const uint32_t allocated = bytes::LoadU32le(bytes.data() + 0x1C);
    const size_t length = std::min<size_t>(allocated, bytes.size());
    const CNTFSFileRecord record(bytes.first(length));
    m_mftAnalyser->AnalyzeRecord(sector, record.IsValid() ? &record : nullptr);
    if (!record.IsValid()) return false;
    const uint32_t sectorsPerRecord = std::max<uint32_t>(1, allocated / m_sectorSize);
    if (isFile) *isFile = IsListedFile(record);

    if (IsFolderWithIndexAllocation(record.Record())) {
        m_matcher->AnalyzeFolderRecord(sector, record.Record());
        StartRecordRun(sector, sectorsPerRecord);
    } else if (IsLogFileRecord(record)) {
        m_logAnalyser->AddLogFileRecord(record, sector);
    } else if (IsAttrDefRecord(record)) {
        m_attrDefAnalyser->AddRecord(record, sector);
    } else if (IsUpCaseRecord(record)) {
        m_upCaseAnalyser->AddRecord(record, sector);
    } else {
        OrdinaryRecord(sector, record, sectorsPerRecord);
    }
    return true;
}

void CNTFSSearchController::StartRecordRun(uint64_t sector, uint32_t sectorsPerRecord)
{
    if (m_findings.recordRuns.size() >= kMaxRecordRuns) {
        if (!m_droppedRunsLogged)
            LogError("NTFS scan: %zu FILE-record runs held, further records are not kept\n", kMaxRecordRuns);
        m_droppedRunsLogged = true;
        return;
    }
    m_findings.recordRuns.emplace_back(sector, sectorsPerRecord);
}

void CNTFSSearchController::OrdinaryRecord(uint64_t sector, const CNTFSFileRecord& record, uint32_t sectorsPerRecord)
{
    if (record.IsExtension()) return;
    if ((IsMftRecord(record) && m_mftAnalyser->IsMftListFull()) ||
        (IsMftMirrRecord(record) && m_mftAnalyser->IsMirrListFull()) || m_logAnalyser->IsListFull())
        return;
    std::vector<CNTFSRecordRun>& runs = m_findings.recordRuns;
    if (runs.empty() || runs.back().GetSectorsPerRecord() != sectorsPerRecord || !runs.back().Extend(sector))
        StartRecordRun(sector, sectorsPerRecord);

    const CNTFSAttributeHeader name = record.FindAttribute(ntfs::kAttrFileName);
    if (!name) return;
    const std::u16string text = name.GetFNName();
    if (text.empty()) return;
    CNTFSRunList data;
    if (!CollectDataRuns(record.Record(), data, true, nullptr) || data.empty()) return;
    const int64_t firstCluster = data.VcnToLcn(0);
    if (firstCluster < 0) return;
    FileTypeRecord typed;
    if (!typed.SetFromNameW(text.data(), text.size(), firstCluster, int64_t(sector))) return;
    if (m_typedFiles.size() >= kMaxTypedFiles) {
        if (!m_droppedTypedLogged)
            LogError("NTFS scan: %zu typed files held, further ones are not kept\n", kMaxTypedFiles);
        m_droppedTypedLogged = true;
        return;
    }
    m_typedFiles.push_back({sector, firstCluster, typed.GetType()});
}

uint64_t CNTFSSearchController::EvidenceScore(const CSearchedNTFSPartitionInfo& c)
{
    uint64_t score = 0;
    for (uint32_t flag : {kNtfsEvidenceFirstBootRecord, kNtfsEvidenceLastBootRecord, kNtfsEvidenceSingleMft,
                          kNtfsEvidenceMftMirr, kNtfsEvidenceFirstRestartPage, kNtfsEvidenceSecondRestartPage})
        if (c.nFlags & flag) score += 10;
    if (c.nFlags & kNtfsEvidenceMftPair) score += 30;
    score += ScorePart(c.u64UpcaseMatch, 256);
    score += ScorePart(c.u64LogFileMatch, 10000);
    score += ScorePart(c.u64AttrDefMatch, 5);
    return score;
}

uint64_t CNTFSSearchController::CountFilesMatch(const CSearchedNTFSPartitionInfo& c) const
{
    if (!m_hits || c.bySectorsPerCluster == 0) return 0;
    const uint64_t start = c.u64DataAreaStartSector;
    const uint64_t end = start + c.u64SectorsCount < start ? UINT64_MAX : start + c.u64SectorsCount;
    const uint64_t spc = c.bySectorsPerCluster;
    auto it = std::lower_bound(m_typedFiles.begin(), m_typedFiles.end(), start,
                               [](const NtfsTypedFile& f, uint64_t s) { return f.recordSector < s; });
    uint64_t n = 0;
    for (; it != m_typedFiles.end() && it->recordSector < end; ++it) {
        if (uint64_t(it->firstCluster) > (end - start) / spc) continue;
        const uint64_t at = start + uint64_t(it->firstCluster) * spc;
        if (at >= end) continue;
        const CRawFileInfo* hit = m_hits->FindByStartSector(at);
        if (hit && hit->GetFileType() == it->type) ++n;
    }
    return n;
}

void CNTFSSearchController::EndSearch()
{
    if (!m_active) return;
    FlushPending();
    m_mftAnalyser->Flush();
    const CRecoverySettings* settings = GetRecoverySettings();
    const uint32_t sectorsPerRecord = std::max<uint32_t>(1, 1024 / m_sectorSize);
    auto& map = m_candidates.Candidates();
    const size_t total = map.size();
    size_t number = 0;
    for (auto it = map.begin(); it != map.end(); ++number) {
        CSearchedNTFSPartitionInfo& c = *it->second;
        c.nSectorsPerMftRecord = sectorsPerRecord;
        m_attrDefAnalyser->FillCandidate(c, sectorsPerRecord);
        m_upCaseAnalyser->FillCandidate(c, sectorsPerRecord);
        m_logAnalyser->FillCandidate(c, sectorsPerRecord);
        if (c.u64MftSector != CSearchedNTFSPartitionInfo::kUnknown) {
            c.bUseMft = settings->m_ntfsUseMft != 0;
            c.bMftOnly = settings->m_ntfsMftFilesOnly != 0;
        }
        c.u64EvidenceScore = EvidenceScore(c);
        if (total > kManyCandidates && number >= kManyCandidates && c.u64EvidenceScore <= kWeakScore) {
            it = map.erase(it);
            continue;
        }
        c.u64StartSector = c.u64DataAreaStartSector;
        c.u64FilesMatch = CountFilesMatch(c);
        ++it;
    }
    if (map.size() >= kPruneIndexOnlyFrom) {
        std::erase_if(map, [](const auto& entry) {
            const CSearchedNTFSPartitionInfo& c = *entry.second;
            return c.nFlags == kNtfsEvidenceIndexFolders && c.u64FoldersMatch == 0 && c.u64FilesMatch == 0;
        });
    }
    LogInfo("NTFS scan: %zu candidate partitions of %zu kept, %zu $MFT candidates, %zu FILE-record runs\n", map.size(),
            total, m_findings.mftCandidates.size(), m_findings.recordRuns.size());
    FreeScanState();
}

void CNTFSSearchController::FreeScanState()
{
    m_buffer = {};
    m_readBuffer = {};
    m_pendingCount = 0;
    m_matcher.reset();
    m_mftAnalyser.reset();
    m_logAnalyser.reset();
    m_attrDefAnalyser.reset();
    m_upCaseAnalyser.reset();
    m_typedFiles = {};
    m_active = false;
}

void CNTFSSearchController::GetSearchedPartitions(CSearchedPartitionList& partitions)
{
    for (auto& c : m_candidates.TakeAll()) partitions.push_back(c.release());
}

void CNTFSSearchController::SaveState(IRSData* stream)
{
    RSWriteValue<uint64_t>(stream, m_findings.mftCandidates.size());
    for (const auto& m : m_findings.mftCandidates) m->Save(stream);
    RSWriteValue<uint64_t>(stream, m_findings.recordRuns.size());
    for (const CNTFSRecordRun& run : m_findings.recordRuns) {
        RSWriteValue<uint64_t>(stream, run.GetFirstSector());
        RSWriteValue<uint64_t>(stream, run.GetCount());
    }
}

void CNTFSSearchController::LoadState(IRSData* stream)
{
    const uint64_t candidates = RSReadValue<uint64_t>(stream);
    if (candidates > kMaxStoredMftCandidates) throw CRSException(RS_ERROR_BAD_LENGTH);
    for (uint64_t i = 0; i < candidates; ++i) {
        auto m = std::make_unique<CNTFSMftCandidate>();
        m->Load(stream);
        m_findings.mftCandidates.push_back(std::move(m));
    }
    const uint64_t runs = RSReadValue<uint64_t>(stream);
    if (runs > kMaxRecordRuns) throw CRSException(RS_ERROR_BAD_LENGTH);
    const uint32_t sectorsPerRecord = std::max<uint32_t>(1, 1024 / m_sectorSize);
    for (uint64_t i = 0; i < runs; ++i) {
        const uint64_t first = RSReadValue<uint64_t>(stream);
        const uint64_t count = RSReadValue<uint64_t>(stream);
        m_findings.recordRuns.emplace_back(first, sectorsPerRecord).SetCount(count);
    }
}

CFileSystemNode* CNTFSSearchController::BuildDirectoryTree(CSearchedPartitionInfo* partition, IStorageDevice* device,
                                                           int index, IDIRBuildCallback* callback)
{
    CNTFSScanTreeBuilder builder;
    return builder.Build(m_findings, partition, m_hits, device, index, callback);
}
