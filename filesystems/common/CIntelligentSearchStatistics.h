// The counters of one scan that every scanner adds to and the intelligent-search dialog shows.
#pragma once

#include <cstdint>

struct CIntelligentSearchStatistics {
    static constexpr int kShown = 8;

    int64_t PartitionTables = 0; // never counted by a scanner
    int64_t FATBootRecords = 0;
    int64_t FATFolders = 0;
    int64_t FATFolderParts = 0;
    int64_t NTFSBootRecords = 0;
    int64_t NTFSFileRecords = 0;
    int64_t FilesIdentified = 0;
    int64_t TotalFilesFound = 0;
    int64_t BlockCounters[8] = {}; // per block; cleared by the search before each block

    // The i-th counter in the order above (0..15).
    int64_t Get(int i) const
    {
        static constexpr int64_t CIntelligentSearchStatistics::*kNamed[kShown] = {
            &CIntelligentSearchStatistics::PartitionTables, &CIntelligentSearchStatistics::FATBootRecords,
            &CIntelligentSearchStatistics::FATFolders,      &CIntelligentSearchStatistics::FATFolderParts,
            &CIntelligentSearchStatistics::NTFSBootRecords, &CIntelligentSearchStatistics::NTFSFileRecords,
            &CIntelligentSearchStatistics::FilesIdentified, &CIntelligentSearchStatistics::TotalFilesFound,
        };
        if (i < 0 || i >= 2 * kShown) return 0;
        return i < kShown ? this->*kNamed[i] : BlockCounters[i - kShown];
    }
    void ClearBlockCounters()
    {
        for (int64_t& c : BlockCounters) c = 0;
    }
};

// Labels of the first eight counters as the dialog shows them.
inline constexpr const char* kIntelligentSearchStatisticsLabels[CIntelligentSearchStatistics::kShown] = {
    "Partition Tables",  "FAT Boot Records",  "FAT Folders",      "FAT Folder Parts",
    "NTFS Boot Records", "NTFS File Records", "Files Identified", "Total Files Found",
};
