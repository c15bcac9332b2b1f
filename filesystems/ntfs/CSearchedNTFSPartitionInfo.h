// A candidate NTFS partition found by scanning: the base record plus the NTFS evidence (flags, system-file
// positions and match values), with its 169-byte recovery-state form.
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"

#include <cstdint>

// Evidence flags: where the partition was derived from.
enum : uint32_t {
    kNtfsEvidenceFirstBootRecord = 0x001,
    kNtfsEvidenceLastBootRecord = 0x002,
    kNtfsEvidenceMftPair = 0x004,
    kNtfsEvidenceSingleMft = 0x008,
    kNtfsEvidenceMftMirr = 0x010,
    kNtfsEvidenceIndexFolders = 0x020,
    kNtfsEvidenceFirstRestartPage = 0x040,
    kNtfsEvidenceSecondRestartPage = 0x080,
    kNtfsEvidenceFilesAnalysis = 0x100,
};

class CSearchedNTFSPartitionInfo : public CSearchedPartitionInfo {
public:
    static constexpr unsigned kStreamSize = CSearchedPartitionInfo::kStreamSize + 8 + 4 * 4 + 9 * 8; // 169
    static constexpr uint64_t kUnknown = ~uint64_t(0);

    explicit CSearchedNTFSPartitionInfo(unsigned sectorSize = 512);

    int GetKind() const override { return kSearchedPartitionNTFS; }
    // The base fields, then serial number (8), sectors per $MFT record (4), flags (4), use $MFT (4), $MFT only
    // (4) and the nine 64-bit fields in declaration order. The $MFTMirr location is not stored.
    void Save(IRSData* stream) const override;
    void Load(IRSData* stream) override;

    uint32_t GetFlags() const { return nFlags; }
    void SetFlags(uint32_t flags) { nFlags = flags; }
    void AddFlags(uint32_t flags) { nFlags |= flags; }
    uint64_t GetSerialNumber() const { return u64SerialNumber; }
    void SetSerialNumber(uint64_t serial) { u64SerialNumber = serial; }
    uint32_t GetSectorsPerMftRecord() const { return nSectorsPerMftRecord; }
    void SetSectorsPerMftRecord(uint32_t sectors) { nSectorsPerMftRecord = sectors; }

    uint64_t u64SerialNumber = 0; // set only for candidates made from a boot sector
    uint32_t nSectorsPerMftRecord = 2;
    uint32_t nFlags = 0;   // kNtfsEvidence*
    uint32_t bUseMft = 0;  // the tree build uses the $MFT candidates
    uint32_t bMftOnly = 0; // only records inside a $MFT candidate count
    uint64_t u64TotalClusters = kUnknown;
    uint64_t u64LogFileMatch = kUnknown;
    uint64_t u64AttrDefMatch = kUnknown;
    uint64_t u64UpcaseMatch = kUnknown;
    uint64_t u64MftSector = kUnknown;
    uint64_t u64LogFileSector = kUnknown;
    uint64_t u64AttrDefSector = kUnknown;
    uint64_t u64UpcaseSector = kUnknown;
    uint64_t u64SectorsFromSystemFiles = kUnknown;
    uint64_t u64MftMirrLocation = kUnknown; // kept in memory only
};
