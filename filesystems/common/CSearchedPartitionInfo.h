// A partition found by scanning (kind, position, size, geometry, evidence, rank, recommendation), the base
// of the NTFS, FAT and ext2 variants, with its recovery-state form. Header-only: the file-system readers
// derive from it and the partition search links those readers.
#pragma once

#include "core/rsdata/IRSData.h"

#include <cstdint>
#include <list>

// GetKind values of found-partition records; also the 4-byte kind before each record in a saved list.
enum SearchedPartitionKind : int {
    kSearchedPartitionNTFS = 0,
    kSearchedPartitionFAT = 1,
    kSearchedPartitionExt2 = 2,
    kSearchedPartitionPlain = 3,
};

// Not safe to share between threads.
class CSearchedPartitionInfo {
public:
    // Bytes of the base fields in the stream form.
    static constexpr unsigned kStreamSize = 73;

    // sectorSize 0 or not a multiple of 512 is taken as 512.
    explicit CSearchedPartitionInfo(unsigned sectorSize = 512)
        : nSectorSize(sectorSize != 0 && sectorSize % 512 == 0 ? sectorSize : 512)
    {
    }
    virtual ~CSearchedPartitionInfo() = default;
    CSearchedPartitionInfo(const CSearchedPartitionInfo&) = default;
    CSearchedPartitionInfo& operator=(const CSearchedPartitionInfo&) = default;

    virtual int GetKind() const { return kSearchedPartitionPlain; }
    // The 73-byte base form: kind (4), sectors per cluster (1), data-area start (8), start (8), files match
    // (8), folders match (8), id (4), sector count (8), evidence score (8), rank (8, IEEE double),
    // recommended (4), sector size (4). bWholeDisk is not stored. Stream errors pass to the caller.
    virtual void Save(IRSData* stream) const
    {
        RSWriteValue<int32_t>(stream, nFileSystemKind);
        RSWriteValue<uint8_t>(stream, bySectorsPerCluster);
        RSWriteValue<uint64_t>(stream, u64DataAreaStartSector);
        RSWriteValue<uint64_t>(stream, u64StartSector);
        RSWriteValue<uint64_t>(stream, u64FilesMatch);
        RSWriteValue<uint64_t>(stream, u64FoldersMatch);
        RSWriteValue<int32_t>(stream, nId);
        RSWriteValue<uint64_t>(stream, u64SectorsCount);
        RSWriteValue<uint64_t>(stream, u64EvidenceScore);
        RSWriteValue<double>(stream, dRank);
        RSWriteValue<int32_t>(stream, bRecommended);
        RSWriteValue<uint32_t>(stream, nSectorSize);
    }
    virtual void Load(IRSData* stream)
    {
        nFileSystemKind = RSReadValue<int32_t>(stream);
        bySectorsPerCluster = RSReadValue<uint8_t>(stream);
        u64DataAreaStartSector = RSReadValue<uint64_t>(stream);
        u64StartSector = RSReadValue<uint64_t>(stream);
        u64FilesMatch = RSReadValue<uint64_t>(stream);
        u64FoldersMatch = RSReadValue<uint64_t>(stream);
        nId = RSReadValue<int32_t>(stream);
        u64SectorsCount = RSReadValue<uint64_t>(stream);
        u64EvidenceScore = RSReadValue<uint64_t>(stream);
        dRank = RSReadValue<double>(stream);
        bRecommended = RSReadValue<int32_t>(stream);
        nSectorSize = RSReadValue<uint32_t>(stream);
        bWholeDisk = 0;
    }

    uint64_t GetStartSector() const { return u64StartSector; }
    uint64_t GetTotalSectors() const { return u64SectorsCount; }

    int32_t nFileSystemKind = 7; // file-system kind (kFsKind*), 7 none
    uint8_t bySectorsPerCluster = 0;
    uint64_t u64DataAreaStartSector = 0; // the scanner's reference sector
    uint64_t u64StartSector = 0;         // first sector of the partition on the scanned device
    uint64_t u64FilesMatch = 0;          // "Files match"
    uint64_t u64FoldersMatch = 0;        // "Folders match"
    uint32_t nSectorSize;                // bytes per sector
    int32_t nId = 0;                     // unique within the process for NTFS partitions
    uint64_t u64SectorsCount = 0;        // "partition sectors count"
    uint64_t u64EvidenceScore = 1;
    double dRank = 0.0;       // score relative to the best partition of the scan
    int32_t bWholeDisk = 0;   // spans the whole device (set by the selection)
    int32_t bRecommended = 0; // 0, 1 or 2 (set by the selection and the scan-partition pages)
};

// The lists of found partitions hold owned pointers, deleted through the virtual destructor.
using CSearchedPartitionList = std::list<CSearchedPartitionInfo*>;

inline void DeleteSearchedPartitionInfo(CSearchedPartitionInfo* info)
{
    delete info;
}
