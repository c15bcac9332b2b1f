// The name and value rows of the partition properties dialog, apart from the window: the evidence and
// geometry of a partition found by scanning (FAT, NTFS or plain rows by its file-system kind), or the start
// and size of a partition found by the lost-partition search.
#pragma once

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

class CSearchedPartitionInfo;
class CSearchedNTFSPartitionInfo;

// The NTFS evidence a scanner found, as the NTFS rows show it.
struct NtfsPartitionFigures {
    uint32_t flags = 0;
    uint32_t sectorsPerMftRecord = 0;
    bool useMft = false;
    bool mftOnly = false;
    uint64_t totalClusters = 0, logFileMatch = 0, attrDefMatch = 0, upcaseMatch = 0, mftSector = 0, logFileSector = 0,
             attrDefSector = 0, upcaseSector = 0, sectorsFromSystemFiles = 0;
};

using PropertyRows = std::vector<std::pair<QString, QString>>;

// The figures an NTFS scanner keeps, as the rows show them (an unknown value, all bits set, reads -1).
NtfsPartitionFigures NtfsFiguresOf(const CSearchedNTFSPartitionInfo& info);

// A FAT record (kinds 0 to 2) gives the FAT rows; kind 3 with its NTFS figures (given, or those of an NTFS
// record) the NTFS rows; anything else, or a record whose variant does not match its kind, the plain rows.
PropertyRows ScanPartitionRows(const CSearchedPartitionInfo& info, const NtfsPartitionFigures* ntfs = nullptr);
// "Start Sector" and "Total Sector".
PropertyRows RangeRows(uint64_t startSector, uint64_t sectorCount);
// The kind's name as the language library spells it (with its leading blanks).
QString PartitionKindName(int kind);
