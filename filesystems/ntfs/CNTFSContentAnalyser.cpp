// $AttrDef and $UpCase evidence of the NTFS scan.
#include "filesystems/ntfs/CNTFSContentAnalyser.h"

#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsStandardMetafiles.h"

namespace {

// Where a format puts the records: $AttrDef is record 4 and $UpCase record 10 of the master file table.
constexpr uint64_t kAttrDefRecord = 4;
constexpr uint64_t kUpCaseRecord = 10;

} // namespace

CNTFSContentAnalyser::CNTFSContentAnalyser(Kind kind, uint32_t sectorSize)
    : m_kind(kind), m_unitsPerSector(sectorSize >= kNtfsContentUnit ? uint32_t(sectorSize / kNtfsContentUnit) : 1)
{
}

void CNTFSContentAnalyser::AnalyzeSector(uint64_t sector, std::span<const uint8_t> bytes)
{
    for (uint32_t u = 0; u < m_unitsPerSector && (u + 1) * kNtfsContentUnit <= bytes.size(); ++u) {
        const std::span<const uint8_t> unit = bytes.subspan(u * kNtfsContentUnit, kNtfsContentUnit);
        const bool match = m_kind == kAttrDef ? MatchStandardAttrDefUnit(unit) >= 0 : IsStandardUpCaseUnit(unit);
        if (match) m_ranges.Add(sector * m_unitsPerSector + u);
    }
}

void CNTFSContentAnalyser::AddRecord(const CNTFSFileRecord& record, uint64_t sector)
{
    if (IsListFull() || !record.IsValid()) return;
    Record r{sector, {}};
    if (!CollectDataRuns(record.Record(), r.runs, true, nullptr) || r.runs.empty()) return;
    // Records arrive in ascending sector order; lookups rely on it.
    if (!m_records.empty() && m_records.back().sector >= sector) return;
    m_records.push_back(std::move(r));
}

uint64_t CountUnitsInRuns(const CNTFSSectorRangeSet& ranges, const CNTFSRunList& runs, uint64_t start,
                          uint32_t sectorsPerCluster, uint32_t unitsPerSector)
{
    uint64_t n = 0;
    const uint64_t unitsPerCluster = uint64_t(sectorsPerCluster) * unitsPerSector;
    if (unitsPerCluster == 0) return 0;
    for (const CNTFSRun& run : runs.Runs()) {
        if (run.IsSparse()) continue;
        const uint64_t lcn = uint64_t(run.lcn);
        // Runs that would leave the 64-bit unit space are damaged and count nothing.
        if (lcn > UINT64_MAX / unitsPerCluster || run.length > UINT64_MAX / unitsPerCluster) continue;
        const uint64_t base = start > UINT64_MAX / unitsPerSector ? UINT64_MAX : start * unitsPerSector;
        const uint64_t first = base + lcn * unitsPerCluster;
        const uint64_t span = run.length * unitsPerCluster;
        if (first < base || first + span < first) continue;
        n += ranges.CountIn(first, first + span);
    }
    return n;
}

void CNTFSContentAnalyser::FillCandidate(CSearchedNTFSPartitionInfo& c, uint32_t sectorsPerRecord) const
{
    const uint64_t recordNumber = m_kind == kAttrDef ? kAttrDefRecord : kUpCaseRecord;
    const MetafileMatch match =
        MatchMetafile(m_records, m_ranges, PlaceMetafile(c, recordNumber, sectorsPerRecord), m_unitsPerSector);
    (m_kind == kAttrDef ? c.u64AttrDefMatch : c.u64UpcaseMatch) = match.units;
    if (match.found) (m_kind == kAttrDef ? c.u64AttrDefSector : c.u64UpcaseSector) = match.sector;
}

MetafilePlace PlaceMetafile(const CSearchedNTFSPartitionInfo& c, uint64_t recordNumber, uint32_t sectorsPerRecord)
{
    MetafilePlace place;
    const uint64_t offset = recordNumber * sectorsPerRecord;
    if (c.u64MftSector != CSearchedNTFSPartitionInfo::kUnknown && c.u64MftSector < uint64_t(INT64_MAX) - offset)
        place.at = int64_t(c.u64MftSector + offset);
    place.first = c.u64DataAreaStartSector;
    place.end = place.first + c.u64SectorsCount < place.first ? UINT64_MAX : place.first + c.u64SectorsCount;
    place.sectorsPerCluster = c.bySectorsPerCluster;
    return place;
}

void CNTFSContentAnalyser::Clear()
{
    m_records.clear();
    m_ranges.Clear();
}
