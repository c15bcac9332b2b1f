// What the NTFS scanner keeps of the records it meets on a raw device: $MFT, $MFTMirr and $Bitmap candidates,
// folders that own an index allocation, and runs of FILE records at consecutive positions; each filled from a
// FILE record, the $MFT candidate also stored in a recovery state.
#pragma once

#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/CNTFSRunList.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class IRSData;

class CNTFSMftCandidate {
public:
    // Sectors per cluster derived from the record (non-zero) in sectors of sectorSize bytes (the device's), the
    // runs of its unnamed $DATA (not empty).
    bool Fill(const CNTFSFileRecord& record, uint64_t recordSector, int sectorSize);
    bool Fill(std::span<const uint8_t> record, uint64_t recordSector, int sectorSize);

    int64_t GetRecordSector() const { return m_recordSector; }
    uint8_t GetSectorsPerRecord() const { return m_sectorsPerRecord; }
    void SetSectorsPerRecord(uint8_t sectors) { m_sectorsPerRecord = sectors; }
    uint8_t GetSectorsPerCluster() const { return m_sectorsPerCluster; }
    void SetSectorsPerCluster(uint8_t sectors) { m_sectorsPerCluster = sectors; }
    void SetRecordSector(int64_t sector) { m_recordSector = sector; }
    const CNTFSRunList& GetRunList() const { return m_runs; }
    CNTFSRunList& GetRunList() { return m_runs; }
    CNTFSRunList CopyRunList() const { return m_runs; }
    // The LCN of VCN 0, or -1.
    int64_t GetFirstCluster() const { return m_runs.VcnToLcn(0); }

    // Record sector (8), sectors per record (1), sectors per cluster (1), then the run list.
    void Save(IRSData* stream) const;
    void Load(IRSData* stream);

private:
    int64_t m_recordSector = -1;
    CNTFSRunList m_runs;
    uint8_t m_sectorsPerRecord = 2;
    uint8_t m_sectorsPerCluster = 0;
};

// A filled candidate whose VCN 0 maps to a cluster, or null.
std::unique_ptr<CNTFSMftCandidate> NewMftCandidate(const CNTFSFileRecord& record, uint64_t recordSector,
                                                   int sectorSize);

class CNTFSMftMirrCandidate {
public:
    // The derivation (in sectors of sectorSize bytes) must succeed (its value may be 0); the runs of its unnamed
    // $DATA must not be empty.
    bool Fill(const CNTFSFileRecord& record, uint64_t recordSector, int sectorSize);
    bool Fill(std::span<const uint8_t> record, uint64_t recordSector, int sectorSize);

    int64_t GetRecordSector() const { return m_recordSector; }
    uint64_t GetLogSequenceNumber() const { return m_lsn; }
    uint8_t GetSectorsPerCluster() const { return m_sectorsPerCluster; }
    const CNTFSRunList& GetRunList() const { return m_runs; }
    int64_t GetFirstCluster() const { return m_runs.VcnToLcn(0); }

private:
    int64_t m_recordSector = -1;
    CNTFSRunList m_runs;
    uint64_t m_lsn = 0;
    uint8_t m_sectorsPerCluster = 0;
};

std::unique_ptr<CNTFSMftMirrCandidate> NewMftMirrCandidate(const CNTFSFileRecord& record, uint64_t recordSector,
                                                           int sectorSize);

class CNTFSBitmapCandidate {
public:
    // Checked $DATA runs of more than 0 clusters and a data size above 0.
    bool Fill(const CNTFSFileRecord& record, uint64_t recordSector);

    int64_t GetRecordSector() const { return m_recordSector; }
    // Bytes of the volume bitmap (8 clusters per byte); all ones until filled.
    uint64_t GetDataSize() const { return m_dataSize; }

private:
    int64_t m_recordSector = -1;
    uint64_t m_dataSize = ~uint64_t(0);
};

class CNTFSFolderCandidate {
public:
    // A base record of a folder other than the root whose record number is known (from its index root or its
    // header) and whose $INDEX_ALLOCATION has valid mapping pairs and a cluster size derivable in sectors of
    // sectorSize bytes.
    bool Fill(std::span<const uint8_t> record, uint64_t recordSector, int sectorSize);

    int64_t VcnToLcn(uint64_t vcn) const { return m_runs.VcnToLcn(vcn); }
    int64_t GetRecordSector() const { return m_recordSector; }
    const CNTFSRunList& GetRunList() const { return m_runs; }
    uint64_t GetLogSequenceNumber() const { return m_lsn; }
    int64_t GetFolderRecordNumber() const { return m_folderRecordNumber; }
    bool HasRecordNumber() const { return m_hasRecordNumber != 0; }
    uint32_t GetHeaderRecordNumber() const { return m_headerRecordNumber; }
    uint32_t GetSectorsPerCluster() const { return m_sectorsPerCluster; }

private:
    int64_t m_recordSector = -1;
    CNTFSRunList m_runs;
    uint64_t m_lsn = 0;
    int64_t m_folderRecordNumber = -1;
    uint32_t m_hasRecordNumber = 0;
    uint32_t m_headerRecordNumber = 0;
    uint32_t m_sectorsPerCluster = 0;
};

// FILE records at consecutive positions: first sector + sectorsPerRecord x i for i below the count.
class CNTFSRecordRun {
public:
    explicit CNTFSRecordRun(uint64_t firstSector, uint32_t sectorsPerRecord = 2)
        : m_firstSector(firstSector), m_sectorsPerRecord(sectorsPerRecord == 0 ? 1 : sectorsPerRecord)
    {
    }
    // Accepts the sector (count + 1) only when it is the next record position of the run.
    bool Extend(uint64_t sector);
    uint64_t GetFirstSector() const { return m_firstSector; }
    uint64_t GetCount() const { return m_count; }
    // The count of a stored run (at least 1).
    void SetCount(uint64_t count) { m_count = count == 0 ? 1 : count; }
    uint32_t GetSectorsPerRecord() const { return m_sectorsPerRecord; }

private:
    uint64_t m_firstSector;
    uint64_t m_count = 1;
    uint32_t m_sectorsPerRecord;
};

// What the scanner hands to the scan-result tree build for one partition.
struct CNTFSScanFindings {
    std::vector<std::unique_ptr<CNTFSMftCandidate>> mftCandidates;
    std::vector<CNTFSRecordRun> recordRuns;
};
