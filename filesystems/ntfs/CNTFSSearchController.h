// The NTFS scanner of format recovery: every sector of the device is looked at once, in ascending order,
// for NTFS boot sectors, FILE records, index records, log pages and the standard $AttrDef and $UpCase
// content; each piece of evidence that fixes a sector and a cluster number becomes a candidate partition.
// At the end candidates get an evidence score, weak ones are dropped, and the rest are handed out as found
// NTFS partitions whose trees are later built from the FILE records the scan saw.
//
// Sectors are examined with up to 8 KiB of look-ahead: the last sectors of a block wait for the next block
// (or for the end of the scan), so a record that crosses a block boundary is examined whole. Everything the
// scan keeps belongs to the object, so two scans can run side by side.
#pragma once

#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/ntfs/CNTFSContentAnalyser.h"
#include "filesystems/ntfs/CNTFSIndexFolderMatcher.h"
#include "filesystems/ntfs/CNTFSLogFileAnalyser.h"
#include "filesystems/ntfs/CNTFSMftAnalyser.h"
#include "filesystems/ntfs/CNTFSPartitionCandidateMap.h"
#include "filesystems/ntfs/NtfsScanFindings.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class CNTFSFileRecord;

// A FILE record whose name's extension is a known RAW type: where its data starts, to be compared with the
// signature hits.
struct NtfsTypedFile {
    uint64_t recordSector = 0;
    int64_t firstCluster = -1;
    uint16_t type = 0;
};

class CNTFSSearchController : public IFileSystemSearchController {
public:
    static constexpr uint32_t kLookAheadBytes = 8192;
    static constexpr size_t kMaxTypedFiles = 500000;
    static constexpr size_t kMaxRecordRuns = 1000000;
    static constexpr size_t kMaxStoredMftCandidates = 500000;

    CNTFSSearchController();
    ~CNTFSSearchController() override;
    CNTFSSearchController(const CNTFSSearchController&) = delete;
    CNTFSSearchController& operator=(const CNTFSSearchController&) = delete;

    void SetDevice(IStorageDevice* device) override;
    void SetBlockSectors(int sectors) override { m_blockSectors = sectors > 0 ? sectors : 0; }
    void BeginSearch() override;
    void EndSearch() override;
    // Always 1. Sectors that cannot be read are taken as zeros (and logged).
    int AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount, CIntelligentSearchStatistics* statistics) override;
    int AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                          CIntelligentSearchStatistics* statistics) override;
    void GetSearchedPartitions(CSearchedPartitionList& partitions) override;
    void SetRawFileList(CRawFileList* hits) override { m_hits = hits; }
    // The $MFT candidates, then the FILE-record runs.
    void SaveState(IRSData* stream) override;
    // Counts above the bounds above throw code 2.
    void LoadState(IRSData* stream) override;
    int GetKind() const override { return kSearchControllerNTFS; }
    CFileSystemNode* BuildDirectoryTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int index,
                                        IDIRBuildCallback* callback) override;
    bool IsFileSystemSupported(int fileSystemKind) const override;

    const CNTFSScanFindings& GetFindings() const { return m_findings; }
    const std::vector<NtfsTypedFile>& GetTypedFiles() const { return m_typedFiles; }
    size_t GetCandidateCount() const { return m_candidates.size(); }
    uint64_t GetUnreadSectors() const { return m_unreadSectors; }

    // The evidence score of a candidate: 10 for each of the flags 0x1, 0x2, 0x8, 0x10, 0x40 and 0x80, 30 for
    // 0x4, and up to 10 each for the $UpCase, $LogFile and $AttrDef units matched.
    static uint64_t EvidenceScore(const CSearchedNTFSPartitionInfo& candidate);

private:
    static constexpr uint32_t kFirstUserRecord = 16; // records 0 to 15 are the volume's metafiles
    static constexpr uint32_t kFileNameAttribute = 0x30;
    static constexpr uint64_t kExtendRecord = 11; // the metafile folder $Extend
    struct Counts {
        int64_t bootRecords = 0;
        int64_t fileRecords = 0;
        int64_t files = 0; // records of files a tree would list (no folder, metafile or extension record)
    };
    void ReadBlock(uint8_t* to, uint64_t first, uint64_t count);
    // Analyses the first count sectors of all (available sectors from firstSector on), each with as much of
    // the look-ahead as all holds.
    void ProcessSectors(std::span<const uint8_t> all, uint64_t firstSector, uint64_t count, uint64_t available,
                        Counts& counts);
    void FlushPending();
    void ProcessSector(uint64_t sector, std::span<const uint8_t> bytes, Counts& counts);
    // True for a valid FILE record at the sector.
    bool AnalyzeFileRecordSector(uint64_t sector, std::span<const uint8_t> bytes, bool* isFile = nullptr);
    // Whether a found-file tree lists the record as a file (the files-found count).
    static bool IsListedFile(const CNTFSFileRecord& record);
    void OrdinaryRecord(uint64_t sector, const CNTFSFileRecord& record, uint32_t sectorsPerRecord);
    void StartRecordRun(uint64_t sector, uint32_t sectorsPerRecord);
    uint64_t CountFilesMatch(const CSearchedNTFSPartitionInfo& candidate) const;
    void FreeScanState();

    IStorageDevice* m_device = nullptr;
    uint64_t m_deviceSectors = 0;
    uint32_t m_sectorSize = 512;
    uint32_t m_lookSectors = 16;
    int m_blockSectors = 0;
    CRawFileList* m_hits = nullptr;
    bool m_active = false;
    bool m_useBootRecords = true;

    // The buffer holds the sectors still waiting for their look-ahead, then the block just read.
    std::vector<uint8_t> m_buffer;
    std::vector<uint8_t> m_readBuffer; // of AnalyzeBlock, which reads the block itself
    uint64_t m_pendingFirst = 0;
    uint64_t m_pendingCount = 0;
    uint64_t m_unreadSectors = 0;

    CNTFSPartitionCandidateMap m_candidates;
    CNTFSScanFindings m_findings;
    std::vector<NtfsTypedFile> m_typedFiles;
    std::unique_ptr<CNTFSIndexFolderMatcher> m_matcher;
    std::unique_ptr<CNTFSMftAnalyser> m_mftAnalyser;
    std::unique_ptr<CNTFSLogFileAnalyser> m_logAnalyser;
    std::unique_ptr<CNTFSContentAnalyser> m_attrDefAnalyser;
    std::unique_ptr<CNTFSContentAnalyser> m_upCaseAnalyser;
    bool m_droppedRunsLogged = false;
    bool m_droppedTypedLogged = false;
};
