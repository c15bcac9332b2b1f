// The $AttrDef and $UpCase evidence of the NTFS scan: 512-byte units whose content equals the standard
// table, and the FILE records of the two metafiles; at the end of the scan each candidate partition learns
// where its record lies and how many units of the table were seen inside that record's data runs.
#pragma once

#include "filesystems/ntfs/CNTFSSectorRangeSet.h"
#include "filesystems/ntfs/CNTFSRunList.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CNTFSFileRecord;
class CSearchedNTFSPartitionInfo;

// Not safe to share between threads.
class CNTFSContentAnalyser {
public:
    enum Kind { kAttrDef, kUpCase };
    static constexpr size_t kMaxRecords = 500000;

    CNTFSContentAnalyser(Kind kind, uint32_t sectorSize);

    // Offers every 512-byte unit of the sector to the content test.
    void AnalyzeSector(uint64_t sector, std::span<const uint8_t> bytes);
    // A valid, fixed-up record of the metafile at the sector; kept when its unnamed $DATA has runs.
    void AddRecord(const CNTFSFileRecord& record, uint64_t sector);
    bool IsListFull() const { return m_records.size() >= kMaxRecords; }

    // The record's sector and the matched units, for a candidate (its $MFT record, when known, fixes where
    // the metafile's record must be: record 4 or 10 after it, sectorsPerRecord sectors each).
    void FillCandidate(CSearchedNTFSPartitionInfo& candidate, uint32_t sectorsPerRecord) const;

    size_t GetRecordCount() const { return m_records.size(); }
    const CNTFSSectorRangeSet& GetRanges() const { return m_ranges; }
    void Clear();

private:
    struct Record {
        uint64_t sector;
        CNTFSRunList runs;
    };
    Kind m_kind;
    uint32_t m_unitsPerSector;
    std::vector<Record> m_records;
    CNTFSSectorRangeSet m_ranges;
};

// Units of the range set inside the runs of a metafile placed on a candidate (start, sectors per cluster).
uint64_t CountUnitsInRuns(const CNTFSSectorRangeSet& ranges, const CNTFSRunList& runs, uint64_t start,
                          uint32_t sectorsPerCluster, uint32_t unitsPerSector);
// The index of the first record (sorted by sector) at exactly `at`, or else the first one in [first, end);
// -1 for none. at is ignored when negative.
template <class Records>
int64_t FindMetafileRecord(const Records& records, int64_t at, uint64_t first, uint64_t end)
{
    auto bySector = [](const auto& r, uint64_t s) { return uint64_t(r.sector) < s; };
    if (at >= 0) {
        auto it = std::lower_bound(records.begin(), records.end(), uint64_t(at), bySector);
        if (it != records.end() && uint64_t(it->sector) == uint64_t(at)) return int64_t(it - records.begin());
    }
    auto it = std::lower_bound(records.begin(), records.end(), first, bySector);
    if (it != records.end() && uint64_t(it->sector) < end) return int64_t(it - records.begin());
    return -1;
}

// Where a candidate partition's record of a metafile is looked for: the record recordNumber records after
// its $MFT record when that is known (at, else -1), or else the first one inside the candidate [first, end).
struct MetafilePlace {
    int64_t at = -1;
    uint64_t first = 0;
    uint64_t end = 0;
    uint32_t sectorsPerCluster = 0;
};
MetafilePlace PlaceMetafile(const CSearchedNTFSPartitionInfo& candidate, uint64_t recordNumber,
                            uint32_t sectorsPerRecord);

// A candidate's evidence from one metafile: the sector of its record and the units of the range set inside
// that record's runs.
struct MetafileMatch {
    bool found = false;
    uint64_t sector = 0;
    uint64_t units = 0;
};
template <class Records>
MetafileMatch MatchMetafile(const Records& records, const CNTFSSectorRangeSet& ranges, const MetafilePlace& place,
                            uint32_t unitsPerSector)
{
    const int64_t found = FindMetafileRecord(records, place.at, place.first, place.end);
    if (found < 0) return {};
    const auto& r = records[size_t(found)];
    return {true, r.sector, CountUnitsInRuns(ranges, r.runs, place.first, place.sectorsPerCluster, unitsPerSector)};
}
