// The $MFT evidence of the NTFS scan: the system FILE records at the start of a master file table ($MFT,
// $MFTMirr, $LogFile, $Volume, $AttrDef, ...) are watched as a group; when the group closes, the $MFT
// record's data (and the $MFTMirr record's, when the group has one) say where the partition must start.
// The copy of the first records that $MFTMirr holds forms a group of its own; a pair whose $MFT record lies
// where an earlier pair's geometry puts the real table confirms the partition as a pair.
#pragma once

#include "filesystems/ntfs/NtfsScanFindings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <span>
#include <vector>

class CNTFSFileRecord;
class CNTFSPartitionCandidateMap;
class CSearchedNTFSPartitionInfo;

// Not safe to share between threads.
class CNTFSMftAnalyser {
public:
    static constexpr size_t kMaxEntries = 500000;
    // Records 0 to 8 of a table form the group.
    static constexpr uint64_t kGroupRecords = 8;

    // mftCandidates is the scanner's list (kept for tree builds); appended to here.
    CNTFSMftAnalyser(CNTFSPartitionCandidateMap& candidates,
                     std::vector<std::unique_ptr<CNTFSMftCandidate>>& mftCandidates, uint32_t sectorSize,
                     bool useFilesForVolumeSize);

    // Every sector X in ascending order: record is the valid, fixed-up FILE record at X, or null.
    void AnalyzeRecord(uint64_t sector, const CNTFSFileRecord* record);
    // Closes the open group (at the end of the scan).
    void Flush();

    bool IsMftListFull() const { return m_mftCandidates.size() >= kMaxEntries; }
    bool IsMirrListFull() const { return m_mirrCandidates.size() >= kMaxEntries; }
    size_t GetPairCount() const { return m_pairs.size(); }
    void Clear();

private:
    void CloseGroup();
    void SingleMftReading(const CNTFSMftCandidate& m);
    void PairReading(const CNTFSMftCandidate& m, const CNTFSMftMirrCandidate& r);
    void ApplySizeRule(CSearchedNTFSPartitionInfo& c) const;

    CNTFSPartitionCandidateMap& m_candidates;
    std::vector<std::unique_ptr<CNTFSMftCandidate>>& m_mftCandidates;
    std::vector<std::unique_ptr<CNTFSMftMirrCandidate>> m_mirrCandidates;
    std::vector<std::pair<const CNTFSMftCandidate*, const CNTFSMftMirrCandidate*>> m_pairs;
    std::set<uint64_t> m_pairMftSectors;
    uint32_t m_sectorSize;
    bool m_useFilesForVolumeSize;
    // The open group.
    const CNTFSMftCandidate* m_groupMft = nullptr;
    const CNTFSMftMirrCandidate* m_groupMirr = nullptr;
    int64_t m_groupSector = -1;        // S: the group's $MFT record
    uint64_t m_groupRecordSectors = 0; // sectors of one record of the group
    int64_t m_bitmapClusters = -1;     // B: the volume's clusters from $Bitmap
};
