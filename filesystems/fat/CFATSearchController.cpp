// The FAT scanner: boot sectors (and FAT32 backups), FAT-copy starts and directory sectors become candidate
// partitions; the candidates are scored at the end and the directory sectors kept for the complete build.
#include "filesystems/fat/CFATSearchController.h"

#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/ScanBlockRead.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/CFATDirSectorInfo.h"
#include "filesystems/fat/FATCompleteBuild.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/FileSystemKind.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>

namespace {

// Cluster-count limits [low, high) and FAT entry width in half-bytes of each FAT type.
struct FATTypeLimits {
    uint64_t low, high;
    uint64_t width;
};
constexpr FATTypeLimits kLimits[3] = {{1, 4085, 3}, {4085, 65524, 4}, {65524, 268435444, 8}};

uint64_t FATSectorsNeeded(uint64_t clusters, uint64_t width, uint64_t sectorSize)
{
    return (width * clusters + 2 * sectorSize - 1) / (2 * sectorSize);
}

} // namespace

CFATSearchController::~CFATSearchController() = default;

void CFATSearchController::SetDevice(IStorageDevice* device)
{
    m_device = device;
    const int32_t size = device ? device->GetSectorSize() : 512;
    m_sectorSize = size >= 512 ? size : 512;
    m_deviceSectors = device ? device->GetSectorCount() : 0;
}

void CFATSearchController::BeginSearch()
{
    const CRecoverySettings* options = GetRecoverySettings();
    m_useBootRecords = options->m_useBootRecords != 0;
    m_useFirstFAT = options->m_fatUseFirstCopy != 0;
    m_useSecondFAT = options->m_fatUseSecondCopy != 0;
    m_checks = FATEntryChecks::FromOptions();
    if (m_device) m_deviceSectors = m_device->GetSectorCount();
}

int CFATSearchController::AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount,
                                       CIntelligentSearchStatistics* statistics)
{
    if (!m_device || sectorCount == 0) return 1;
    const size_t unit = size_t(m_sectorSize);
    // The block is taken in one read (a memory copy from the search's cache), in pieces of at most 4 MiB.
    const uint64_t piece = std::max<uint64_t>(1, 4194304 / unit);
    for (uint64_t done = 0; done < sectorCount;) {
        const uint64_t n = std::min(piece, sectorCount - done);
        const uint64_t first = firstSector + done;
        m_block.resize(size_t(n) * unit);
        // Sectors that cannot be read come back as zeros, which the analysis passes over.
        ReadScanBlock(*m_device, m_block.data(), first, n, unit, [](uint64_t, uint64_t) {});
        AnalyzeBlockBytes(first, n, m_block, statistics);
        done += n;
    }
    return 1;
}

int CFATSearchController::AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                                            CIntelligentSearchStatistics* statistics)
{
    if (!m_device || sectorCount == 0) return 1;
    const size_t unit = size_t(m_sectorSize);
    const uint64_t n = std::min<uint64_t>(sectorCount, bytes.size() / unit);
    // Sectors are asked for some way ahead: one a time, from memory, would wait for each.
    constexpr uint64_t kAhead = 16;
    for (uint64_t i = 0; i < n; ++i) {
        if (i + kAhead < n) __builtin_prefetch(bytes.data() + (i + kAhead) * unit);
        AnalyzeSector(bytes.subspan(size_t(i) * unit, unit), firstSector + i, statistics);
    }
    return 1;
}

void CFATSearchController::AnalyzeSector(std::span<const uint8_t> sector, uint64_t s,
                                         CIntelligentSearchStatistics* statistics)
{
    if (sector.size() < 512 || sector[0] == 0) return;
    if (sector[510] == 0x55 && sector[511] == 0xAA && AnalyzeBootSector(sector, s)) {
        ReleaseTrace("Found a valid DBR at sector:%" PRIu64, s);
        if (statistics) ++statistics->FATBootRecords;
        return;
    }
    if (IsFAT16or32TableStart(sector)) {
        MatchFATCopy(sector, s);
        return;
    }
    // The three-byte mark of a FAT12 copy is short enough to begin other sectors too: it counts only where a
    // FAT12 boot sector expects its copy.
    if (IsFAT12TableStart(sector) && m_fatPlaces.count(s) != 0) {
        MatchFATCopy(sector, s);
        return;
    }
    CFATDirSectorInfo info;
    if (!info.Analyse(sector, m_checks)) return;
    FATDirSectorRecord record;
    record.sector = s;
    if (info.kind == CFATDirSectorInfo::kFirst) {
        ReleaseTrace("Found a valid first dir entry at sector:%" PRIu64, s);
        MatchFirstDirectorySector(s, info.dotCluster);
        if (statistics) ++statistics->FATFolders;
        record.dotCluster = info.dotCluster;
        record.dotDotCluster = info.dotDotCluster;
    } else {
        if (statistics) ++statistics->FATFolderParts;
        // Every sector of every directory: traced only at the debug level, as it would flood the log.
        DebugTrace("Found a valid part dir entry at sector:%" PRIu64, s);
    }
    InsertDirSector(record);
    if (statistics) statistics->TotalFilesFound += info.fileCount;
    AddFoundEntries(sector, s);
}

void CFATSearchController::AddFoundEntries(std::span<const uint8_t> sector, uint64_t s)
{
    CFATDirEntry entry;
    for (size_t at = 0; at + fat::kDirEntrySize <= sector.size(); at += fat::kDirEntrySize) {
        if (!entry.AttachAndCheck(sector.subspan(at, fat::kDirEntrySize), m_checks)) break;
        if (entry.IsLongNameEntry() || entry.IsDirectory() || entry.IsVolumeLabel()) continue;
        if (m_foundEntries.size() >= kMaxFoundEntries) {
            if (!m_entryCapLogged)
                LogInfo("FAT scan: more than %zu named files; the rest are not matched against signature hits",
                        kMaxFoundEntries);
            m_entryCapLogged = true;
            return;
        }
        const std::string name = entry.GetShortName();
        FileTypeRecord record;
        if (record.SetFromNameA(name.c_str(), name.size(), int64_t(entry.GetFirstCluster()) - 2, int64_t(s)))
            m_foundEntries.push_back(record);
    }
}

void CFATSearchController::InsertDirSector(const FATDirSectorRecord& record)
{
    if (m_dirSectors.empty() || m_dirSectors.back().sector < record.sector) {
        m_dirSectors.push_back(record);
        return;
    }
    auto it = std::lower_bound(m_dirSectors.begin(), m_dirSectors.end(), record.sector,
                               [](const FATDirSectorRecord& r, uint64_t s) { return r.sector < s; });
    if (it == m_dirSectors.end() || it->sector != record.sector) m_dirSectors.insert(it, record);
}

CFATSearchedPartitionInfo* CFATSearchController::InsertCandidate(Candidate candidate, int media)
{
    if (m_candidates.size() >= kMaxCandidates) {
        if (!m_candidateCapLogged)
            LogInfo("FAT scan: more than %zu candidate partitions; further evidence of new ones is passed over",
                    kMaxCandidates);
        m_candidateCapLogged = true;
        return nullptr;
    }
    CFATSearchedPartitionInfo* info = candidate.get();
    m_candidates.emplace(info->u64DataAreaStartSector, std::move(candidate));
    if (media >= 0) {
        const uint64_t fat1 = info->u64StartSector + info->GetReservedSectors();
        m_fatPlaces.emplace(fat1, FATPlace{info, media});
        m_fatPlaces.emplace(fat1 + info->GetSectorsPerFAT(), FATPlace{info, media});
    }
    return info;
}

CFATSearchedPartitionInfo* CFATSearchController::FindSameCandidate(uint64_t dataStart, uint32_t sectorsPerCluster) const
{
    auto [from, to] = m_candidates.equal_range(dataStart);
    for (auto it = from; it != to; ++it)
        if (it->second->bySectorsPerCluster == sectorsPerCluster) return it->second.get();
    return nullptr;
}

bool CFATSearchController::AnalyzeBootSector(std::span<const uint8_t> sector, uint64_t s)
{
    if (!m_useBootRecords) return false;
    const CFATDBR dbr(sector, m_sectorSize);
    if (!dbr.IsValid()) return false;
    bool taken = false;
    if (Candidate made = BuildFromBootSector(sector, s, false)) {
        InsertCandidate(std::move(made), dbr.GetMediaDescriptor());
        taken = true;
    }
    if (dbr.GetFATType() == kFsKindFat32 && s >= 6) {
        if (Candidate backup = BuildFromBootSector(sector, s - 6, true)) {
            if (CFATSearchedPartitionInfo* same =
                    FindSameCandidate(backup->u64DataAreaStartSector, backup->bySectorsPerCluster))
                same->AddFlags(kFATFlagFAT32BackupBoot);
            else
                InsertCandidate(std::move(backup), dbr.GetMediaDescriptor());
            taken = true;
        }
    }
    return taken;
}

CFATSearchController::Candidate CFATSearchController::BuildFromBootSector(std::span<const uint8_t> sector, uint64_t b,
                                                                          bool backup) const
{
    const CFATDBR dbr(sector, m_sectorSize);
    const int type = dbr.GetFATType();
    if (type < kFsKindFat12 || type > kFsKindFat32 || b >= m_deviceSectors) return nullptr;
    // A size past the device end is held to the device.
    const uint64_t t = std::min<uint64_t>(dbr.GetTotalSectors(), m_deviceSectors - b);
    const uint64_t reserved = dbr.GetReservedSectors();
    const uint64_t spf = dbr.GetSectorsPerFAT();
    const uint64_t spc = dbr.GetSectorsPerCluster();
    const FATTypeLimits& limits = kLimits[type];
    uint64_t d = b + reserved + uint64_t(dbr.GetNumberOfFATs()) * spf;
    uint32_t flags = 0;
    uint32_t root = 0;
    switch (type) {
    case kFsKindFat12:
        d += dbr.GetRootDirSectors();
        flags = backup ? 0u : uint32_t(kFATFlagFAT12Boot);
        root = dbr.GetRootDirSectors();
        break;
    case kFsKindFat16:
        d += dbr.GetRootDirSectors();
        flags = backup ? 0u : uint32_t(kFATFlagFAT16Boot);
        root = dbr.GetRootDirSectors();
        break;
    default:
        flags = backup ? kFATFlagFAT32BackupBoot : kFATFlagFAT32Boot;
        root = dbr.GetRootCluster();
        break;
    }
    if (spc == 0 || b + t <= d) return nullptr;
    const uint64_t clusters = (b + t - d) / spc;
    if (clusters < limits.low || clusters >= limits.high) return nullptr;
    if (spf < FATSectorsNeeded(clusters, limits.width, uint64_t(m_sectorSize))) return nullptr;
    if (type == kFsKindFat32 && root > clusters) return nullptr;

    Candidate info(NewFATSearchedPartitionInfo(unsigned(m_sectorSize)));
    info->nFileSystemKind = type;
    info->bySectorsPerCluster = uint8_t(spc);
    info->u64DataAreaStartSector = d;
    info->u64StartSector = b;
    info->u64SectorsCount = t;
    info->SetReservedSectors(uint16_t(reserved));
    info->SetSectorsPerFAT(uint32_t(spf));
    info->SetClusterCount(uint32_t(clusters));
    info->SetRoot(root);
    info->AddFlags(flags);
    return info;
}

void CFATSearchController::MatchFATCopy(std::span<const uint8_t> sector, uint64_t s)
{
    auto [from, to] = m_fatPlaces.equal_range(s);
    if (from == to) return;
    for (auto it = from; it != to; ++it) {
        CFATSearchedPartitionInfo* info = it->second.candidate;
        // A copy of the candidate's own width with its boot sector's media descriptor.
        if (!IsFATTableStart(sector, info->nFileSystemKind, it->second.media)) continue;
        const uint64_t fat1 = info->u64StartSector + info->GetReservedSectors();
        if (s == fat1)
            info->AddFlags(kFATFlagFoundFAT1 | (m_useFirstFAT ? uint32_t(kFATFlagUseFAT1) : 0u));
        else if (s == fat1 + info->GetSectorsPerFAT())
            info->AddFlags(kFATFlagFoundFAT2 | (m_useSecondFAT ? uint32_t(kFATFlagUseFAT2) : 0u));
    }
    m_fatPlaces.erase(from, to);
}

void CFATSearchController::MatchFirstDirectorySector(uint64_t s, uint32_t c)
{
    // A "." cluster below 2 would put the data start after the directory itself.
    if (c < 2) return;
    uint32_t remembered[8];
    int count = 0;
    for (uint32_t k = 1; k <= 128; k <<= 1) {
        const uint64_t offset = uint64_t(k) * (uint64_t(c) - 2);
        if (offset > s) continue;
        if (CFATSearchedPartitionInfo* same = FindSameCandidate(s - offset, k)) {
            same->AddFlags(kFATFlagFromFolders);
            ++same->u64FoldersMatch;
            return;
        }
        remembered[count++] = k;
    }
    for (int i = 0; i < count; ++i)
        if (Candidate made = BuildFromDirectory(s, c, remembered[i])) InsertCandidate(std::move(made), -1);
}

bool CFATSearchController::GuessFATType(uint64_t d, uint32_t k, int& type, uint64_t& clusters,
                                        uint64_t& fatSectors) const
{
    if (k == 0 || d >= m_deviceSectors) return false;
    for (int t : {int(kFsKindFat32), int(kFsKindFat16)}) {
        const FATTypeLimits& limits = kLimits[t];
        uint64_t c = (m_deviceSectors - d) / k;
        if (c < limits.low || c >= limits.high) continue;
        const uint64_t f = FATSectorsNeeded(c, limits.width, uint64_t(m_sectorSize));
        type = t;
        clusters = c;
        fatSectors = f;
        if (d / 2 >= f) return true;
        // The two copies do not fit below the data start: the cluster count they could describe.
        c = 2 * uint64_t(m_sectorSize) * (d / 2) / limits.width;
        if (c >= limits.low && c < limits.high) {
            clusters = c;
            return true;
        }
    }
    return false;
}

CFATSearchController::Candidate CFATSearchController::BuildFromDirectory(uint64_t s, uint32_t c, uint32_t k) const
{
    const uint64_t offset = uint64_t(k) * (uint64_t(c) - 2);
    if (c < 2 || offset > s) return nullptr;
    const uint64_t d = s - offset;
    int type = 0;
    uint64_t clusters = 0, f = 0;
    if (!GuessFATType(d, k, type, clusters, f)) return nullptr;
    // Assumed layout: one reserved sector, two FAT copies, and for FAT16 a root of 512 entries.
    if (d < 2 * f + 1) return nullptr;
    uint64_t start = d - 2 * f - 1;
    uint64_t r = 0;
    uint32_t root = 2;
    if (type == kFsKindFat16) {
        r = std::min<uint64_t>(16384 / uint64_t(m_sectorSize), start);
        start -= r;
        root = uint32_t(r);
    }
    Candidate info(NewFATSearchedPartitionInfo(unsigned(m_sectorSize)));
    info->nFileSystemKind = type;
    info->bySectorsPerCluster = uint8_t(k);
    info->u64DataAreaStartSector = d;
    info->u64StartSector = start;
    // 64-bit: a volume past 2 TiB must not wrap to a small size.
    info->u64SectorsCount = clusters * k + r + 1 + 2 * f;
    info->SetReservedSectors(1);
    info->SetSectorsPerFAT(uint32_t(f));
    info->SetClusterCount(uint32_t(clusters));
    info->SetRoot(root);
    info->AddFlags(kFATFlagFromFolders);
    return info;
}

uint64_t CFATSearchController::EvidenceScore(const CFATSearchedPartitionInfo& candidate)
{
    const uint32_t flags = candidate.GetFlags();
    const bool fat1 = flags & kFATFlagFoundFAT1, fat2 = flags & kFATFlagFoundFAT2;
    const uint64_t a = fat1 && fat2 ? 50 : (fat1 || fat2) ? 45 : 10;
    uint64_t b = 10;
    if (candidate.nFileSystemKind == kFsKindFat32) {
        const bool primary = flags & kFATFlagFAT32Boot, backup = flags & kFATFlagFAT32BackupBoot;
        b = primary && backup ? 50 : (primary || backup) ? 45 : 10;
    } else if (flags & (kFATFlagFAT12Boot | kFATFlagFAT16Boot)) {
        b = 50;
    }
    return a + b;
}

void CFATSearchController::GetSearchedPartitions(CSearchedPartitionList& partitions)
{
    for (auto& [dataStart, candidate] : m_candidates) {
        const uint32_t flags = candidate->GetFlags();
        const bool fromBoot = flags & kFATFlagsAnyBoot;
        const bool fatFound = flags & (kFATFlagFoundFAT1 | kFATFlagFoundFAT2);
        if (candidate->u64FoldersMatch == 0 && (!fromBoot || !fatFound)) continue; // deleted with the set
        candidate->u64EvidenceScore = EvidenceScore(*candidate);

        const uint64_t end = dataStart + candidate->u64SectorsCount;
        auto it =
            std::lower_bound(m_foundEntries.begin(), m_foundEntries.end(), dataStart,
                             [](const FileTypeRecord& r, uint64_t s) { return uint64_t(r.GetRecordSector()) < s; });
        for (; m_hits && it != m_foundEntries.end() && uint64_t(it->GetRecordSector()) < end; ++it) {
            const uint64_t l = dataStart + uint64_t(it->GetFirstCluster()) * candidate->bySectorsPerCluster;
            if (l < dataStart || l >= end) continue;
            const CRawFileInfo* hit = m_hits->FindByStartSector(l);
            if (hit && hit->GetFileType() == it->GetType()) ++candidate->u64FilesMatch;
        }
        partitions.push_back(candidate.release());
    }
    m_candidates.clear();
    m_fatPlaces.clear();
    m_foundEntries.clear();
    m_foundEntries.shrink_to_fit();
}

void CFATSearchController::SaveState(IRSData* stream)
{
    RSWriteValue<uint32_t>(stream, uint32_t(m_dirSectors.size()));
    for (const FATDirSectorRecord& r : m_dirSectors) {
        RSWriteValue<uint64_t>(stream, r.sector);
        RSWriteValue<uint32_t>(stream, r.dotCluster);
        RSWriteValue<uint32_t>(stream, r.dotDotCluster);
    }
}

void CFATSearchController::LoadState(IRSData* stream)
{
    m_dirSectors.clear();
    // Records are read one by one (never reserved by the stored count): a damaged count ends at the
    // stream's end with the stream's own error.
    const uint32_t count = RSReadValue<uint32_t>(stream);
    for (uint32_t i = 0; i < count; ++i) {
        FATDirSectorRecord r;
        r.sector = RSReadValue<uint64_t>(stream);
        r.dotCluster = RSReadValue<uint32_t>(stream);
        r.dotDotCluster = RSReadValue<uint32_t>(stream);
        InsertDirSector(r);
    }
}

CFileSystemNode* CFATSearchController::BuildDirectoryTree(CSearchedPartitionInfo* partition, IStorageDevice* device,
                                                          int index, IDIRBuildCallback* callback)
{
    if (!partition || partition->GetKind() != kSearchedPartitionFAT ||
        !IsFileSystemSupported(partition->nFileSystemKind))
        return nullptr;
    return FATCompleteBuildThread(callback, m_dirSectors, static_cast<CFATSearchedPartitionInfo*>(partition), m_hits,
                                  device ? device : m_device, index);
}
