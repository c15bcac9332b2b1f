// $LogFile evidence of the NTFS scan.
#include "filesystems/ntfs/CNTFSLogFileAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ntfs/CNTFSContentAnalyser.h"
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CNTFSPartitionCandidateMap.h"
#include "filesystems/ntfs/NtfsIndexRecords.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsScanFindings.h"

namespace {

constexpr uint64_t kLogFileRecord = 2;
constexpr uint64_t kUnit = 512;
constexpr uint8_t kClientName[8] = {'N', 0, 'T', 0, 'F', 0, 'S', 0};

} // namespace

CNTFSLogFileAnalyser::CNTFSLogFileAnalyser(CNTFSPartitionCandidateMap& candidates, uint32_t sectorSize)
    : m_candidates(candidates),
      m_sectorSize(sectorSize >= kUnit ? sectorSize : uint32_t(kUnit)),
      m_unitsPerSector(sectorSize >= kUnit ? uint32_t(sectorSize / kUnit) : 1),
      m_pageSectors(sectorSize >= kPageBytes ? 1 : kPageBytes / (sectorSize >= kUnit ? sectorSize : kUnit))
{
}

bool CNTFSLogFileAnalyser::IsRestartPage(std::span<const uint8_t> bytes)
{
    bytes::ByteReader r(bytes);
    if (bytes.size() < kPageBytes || !r.matches(0, "RSTR")) return false;
    if (!r.matches(0x90, std::span<const uint8_t>(kClientName))) return false;
    const uint16_t usn = r.u16le(0x1E);
    for (uint64_t unit = 1; unit <= kPageBytes / kUnit; ++unit)
        if (r.u16le(unit * kUnit - 2) != usn) return false;
    return r.ok();
}

void CNTFSLogFileAnalyser::FirstPageReading(uint64_t page, const Record& r)
{
    m_candidates.MergeOrInsert(
        m_candidates.BuildFromRecord(page, r.firstCluster, r.sectorsPerCluster, kNtfsEvidenceFirstRestartPage),
        kNtfsEvidenceFirstRestartPage);
    // The page may also be the second one of a log that starts a page earlier.
    if (page > m_pageSectors)
        m_candidates.MergeOrInsert(m_candidates.BuildFromRecord(page - m_pageSectors, r.firstCluster,
                                                                r.sectorsPerCluster, kNtfsEvidenceSecondRestartPage),
                                   kNtfsEvidenceSecondRestartPage);
}

void CNTFSLogFileAnalyser::AnalyzeRestartPage(uint64_t sector)
{
    if (m_restartPages.size() >= kMaxEntries) return;
    const bool second = !m_restartPages.empty() && sector == m_restartPages.back() + m_pageSectors;
    for (const Record& r : m_records) {
        if (second) {
            if (auto c = m_candidates.BuildFromRecord(sector - m_pageSectors, r.firstCluster, r.sectorsPerCluster, 0))
                m_candidates.Merge(*c, kNtfsEvidenceSecondRestartPage, 0);
            if (auto c = m_candidates.BuildFromRecord(sector, r.firstCluster, r.sectorsPerCluster, 0))
                m_candidates.Merge(*c, 0, kNtfsEvidenceFirstRestartPage);
        } else {
            FirstPageReading(sector, r);
        }
    }
    m_restartPages.push_back(sector);
}

void CNTFSLogFileAnalyser::AddLogFileRecord(const CNTFSFileRecord& record, uint64_t sector)
{
    if (IsListFull()) return;
    auto made = NewMftMirrCandidate(record, sector, int(m_sectorSize));
    if (!made) return;
    Record r{sector, made->GetRunList(), made->GetFirstCluster(), made->GetSectorsPerCluster()};
    if (r.sectorsPerCluster != 0 && r.firstCluster >= 0) {
        for (size_t i = 0; i < m_restartPages.size(); ++i) {
            const uint64_t page = m_restartPages[i];
            if (i + 1 < m_restartPages.size() && m_restartPages[i + 1] == page + m_pageSectors) {
                m_candidates.MergeOrInsert(
                    m_candidates.BuildFromRecord(page, r.firstCluster, r.sectorsPerCluster,
                                                 kNtfsEvidenceFirstRestartPage | kNtfsEvidenceSecondRestartPage),
                    kNtfsEvidenceFirstRestartPage | kNtfsEvidenceSecondRestartPage);
                ++i;
            } else {
                FirstPageReading(page, r);
            }
        }
    }
    if (!m_records.empty() && m_records.back().sector >= sector) return;
    m_records.push_back(std::move(r));
}

void CNTFSLogFileAnalyser::AnalyzePageSector(uint64_t sector, std::span<const uint8_t> bytes)
{
    if (sector < m_nextPageScan || !NtfsIsRcrdMagic(bytes)) return;
    if (bytes.size() < kPageBytes) return;
    if (NtfsIsValidRcrdPage(bytes.first(kPageBytes))) m_pages.AddRange(sector * m_unitsPerSector, kPageBytes / kUnit);
    m_nextPageScan = sector + m_pageSectors;
}

void CNTFSLogFileAnalyser::FillCandidate(CSearchedNTFSPartitionInfo& c, uint32_t sectorsPerRecord) const
{
    const MetafileMatch match =
        MatchMetafile(m_records, m_pages, PlaceMetafile(c, kLogFileRecord, sectorsPerRecord), m_unitsPerSector);
    c.u64LogFileMatch = match.units;
    if (match.found) c.u64LogFileSector = match.sector;
}

void CNTFSLogFileAnalyser::Clear()
{
    m_records.clear();
    m_restartPages.clear();
    m_pages.Clear();
}
