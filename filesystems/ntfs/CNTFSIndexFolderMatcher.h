// Index records ("INDX") matched with the folder FILE records that own them: the record's VCN, mapped
// through the folder's $INDEX_ALLOCATION runs, gives the cluster number of the sector the record was found
// at, and so a partition start. Records and folders are kept until their counterpart turns up.
#pragma once

#include "filesystems/ntfs/NtfsScanFindings.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>

class CNTFSPartitionCandidateMap;

// Not safe to share between threads.
class CNTFSIndexFolderMatcher {
public:
    // Index records and folders held at most, each; further ones are ignored (and logged once).
    static constexpr size_t kMaxEntries = 500000;

    explicit CNTFSIndexFolderMatcher(CNTFSPartitionCandidateMap& candidates) : m_candidates(candidates) {}

    // The bytes from sector X (the look-ahead): when they hold a valid index record of a folder other than
    // the root, it is matched with the folders of its owner seen so far and kept. True for a valid record.
    bool AnalyzeIndexRecord(uint64_t sector, std::span<const uint8_t> bytes);
    // A valid folder record with an $INDEX_ALLOCATION at sector Y, fixed up: kept and matched with the index
    // records of that folder seen so far. True when the folder could be filled.
    bool AnalyzeFolderRecord(uint64_t sector, std::span<const uint8_t> record);

    size_t GetIndexRecordCount() const { return m_indexRecords.size(); }
    size_t GetFolderCount() const { return m_folders.size(); }
    void Clear();

private:
    struct IndexRecordInfo {
        uint64_t sector = 0;
        uint64_t vcn = 0;
        uint64_t lsn = 0;
    };
    void Match(const IndexRecordInfo& record, const CNTFSFolderCandidate& folder);
    void NoteDropped(const char* what);

    CNTFSPartitionCandidateMap& m_candidates;
    std::multimap<int64_t, IndexRecordInfo> m_indexRecords;
    std::multimap<int64_t, std::unique_ptr<CNTFSFolderCandidate>> m_folders;
    bool m_droppedLogged = false;
};
