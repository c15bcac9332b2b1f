// The $LogFile evidence of the NTFS scan: the two restart pages ("RSTR") at the start of the log, matched
// with $LogFile FILE records to place partitions, and the record pages ("RCRD") whose units are counted
// inside each candidate's $LogFile data at the end of the scan. Log pages are 4096 bytes; positions are
// counted in device sectors and matches in 512-byte units, so every sector size gives the same figures.
#pragma once

#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/ntfs/CNTFSSectorRangeSet.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class CNTFSFileRecord;
class CNTFSPartitionCandidateMap;
class CSearchedNTFSPartitionInfo;

// Not safe to share between threads.
class CNTFSLogFileAnalyser {
public:
    static constexpr size_t kPageBytes = 4096;
    static constexpr size_t kMaxEntries = 500000;

    CNTFSLogFileAnalyser(CNTFSPartitionCandidateMap& candidates, uint32_t sectorSize);

    // At least 4096 bytes: "RSTR", the client name "NTFS" at 0x90 and the update sequence number at 0x1E
    // at the end of each of the 8 units.
    static bool IsRestartPage(std::span<const uint8_t> bytes);
    void AnalyzeRestartPage(uint64_t sector);
    // A valid, fixed-up $LogFile record at the sector.
    void AddLogFileRecord(const CNTFSFileRecord& record, uint64_t sector);
    bool IsListFull() const { return m_records.size() >= kMaxEntries; }
    // The record-page scan, called for every sector in ascending order with the bytes from it: a valid
    // record page adds its units; the scan goes on a page further after an "RCRD" magic, valid or not.
    void AnalyzePageSector(uint64_t sector, std::span<const uint8_t> bytes);

    void FillCandidate(CSearchedNTFSPartitionInfo& candidate, uint32_t sectorsPerRecord) const;

    size_t GetRestartPageCount() const { return m_restartPages.size(); }
    const CNTFSSectorRangeSet& GetPageRanges() const { return m_pages; }
    void Clear();

private:
    struct Record {
        uint64_t sector;
        CNTFSRunList runs;
        int64_t firstCluster;
        uint8_t sectorsPerCluster;
    };
    void FirstPageReading(uint64_t page, const Record& r);

    CNTFSPartitionCandidateMap& m_candidates;
    uint32_t m_sectorSize;
    uint32_t m_unitsPerSector;
    uint64_t m_pageSectors; // device sectors per log page
    std::vector<Record> m_records;
    std::vector<uint64_t> m_restartPages;
    CNTFSSectorRangeSet m_pages;
    uint64_t m_nextPageScan = 0;
};
