// The FAT scanner of format and partition recovery: from boot sectors, the first sectors of FAT copies and
// sectors full of directory entries it builds candidate FAT partitions, scores them, and keeps the directory
// sectors it saw for the complete tree build.
#pragma once

#include "core/filetypes/FileTypeRecord.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

// One sector that holds directory entries; a sector that does not start a directory has both clusters
// kFATNoCluster. Stream form: sector (8), "." cluster (4), ".." cluster (4).
struct FATDirSectorRecord {
    uint64_t sector = 0;
    uint32_t dotCluster = 0xFFFFFFFF;
    uint32_t dotDotCluster = 0xFFFFFFFF;
    bool IsDirectoryStart() const { return dotCluster != 0xFFFFFFFF; }
    bool operator==(const FATDirSectorRecord&) const = default;
};
// Ordered by sector, one record per sector.
using FATDirSectorSet = std::vector<FATDirSectorRecord>;

// Used by one scan on one thread; afterwards BuildDirectoryTree may run for the partitions it found.
class CFATSearchController : public IFileSystemSearchController {
public:
    // Bounds on what a scan collects from a damaged or hostile disk (each bound reached is logged once).
    static constexpr size_t kMaxCandidates = 200000;
    static constexpr size_t kMaxFoundEntries = 8u << 20;

    CFATSearchController() = default;
    ~CFATSearchController() override;
    CFATSearchController(const CFATSearchController&) = delete;
    CFATSearchController& operator=(const CFATSearchController&) = delete;

    void SetDevice(IStorageDevice* device) override;
    void SetBlockSectors(int sectors) override { m_blockSectors = sectors; }
    // Takes the options the scan follows (boot records, FAT copies, entry date and time tests).
    void BeginSearch() override;
    void EndSearch() override {}
    int AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount, CIntelligentSearchStatistics* statistics) override;
    int AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                          CIntelligentSearchStatistics* statistics) override;
    // Scores the candidates, drops those without evidence and hands the rest over in data-start order.
    void GetSearchedPartitions(CSearchedPartitionList& partitions) override;
    void SetRawFileList(CRawFileList* hits) override { m_hits = hits; }
    // The directory-sector set: count (4), then every record (16 each) in sector order.
    void SaveState(IRSData* stream) override;
    void LoadState(IRSData* stream) override;
    int GetKind() const override { return kSearchControllerFAT; }
    CFileSystemNode* BuildDirectoryTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int index,
                                        IDIRBuildCallback* callback) override;
    bool IsFileSystemSupported(int fileSystemKind) const override { return fileSystemKind >= 0 && fileSystemKind <= 2; }

    // One sector as the scan sees it (s its sector number); for tests and AnalyzeBlock.
    void AnalyzeSector(std::span<const uint8_t> sector, uint64_t s, CIntelligentSearchStatistics* statistics);

    const FATDirSectorSet& GetDirSectors() const { return m_dirSectors; }
    size_t GetCandidateCount() const { return m_candidates.size(); }

    // The evidence score of a candidate by its flags and FAT type.
    static uint64_t EvidenceScore(const CFATSearchedPartitionInfo& candidate);

private:
    using Candidate = std::unique_ptr<CFATSearchedPartitionInfo>;

    bool AnalyzeBootSector(std::span<const uint8_t> sector, uint64_t s);
    Candidate BuildFromBootSector(std::span<const uint8_t> sector, uint64_t b, bool backup) const;
    void MatchFATCopy(std::span<const uint8_t> sector, uint64_t s);
    void MatchFirstDirectorySector(uint64_t s, uint32_t dotCluster);
    Candidate BuildFromDirectory(uint64_t s, uint32_t c, uint32_t k) const;
    bool GuessFATType(uint64_t d, uint32_t k, int& type, uint64_t& clusters, uint64_t& fatSectors) const;
    CFATSearchedPartitionInfo* FindSameCandidate(uint64_t dataStart, uint32_t sectorsPerCluster) const;
    // media: the boot sector's descriptor, which the candidate's FAT copies must carry; -1 for a candidate
    // made from directories, whose FAT places are not registered.
    CFATSearchedPartitionInfo* InsertCandidate(Candidate candidate, int media);
    void InsertDirSector(const FATDirSectorRecord& record);
    void AddFoundEntries(std::span<const uint8_t> sector, uint64_t s);

    IStorageDevice* m_device = nullptr;
    int32_t m_sectorSize = 512;
    uint64_t m_deviceSectors = 0;
    int m_blockSectors = 0;
    CRawFileList* m_hits = nullptr;
    std::multimap<uint64_t, Candidate> m_candidates; // by data start
    // Where a candidate made from a boot sector expects the first sector of a FAT copy.
    struct FATPlace {
        CFATSearchedPartitionInfo* candidate;
        int media;
    };
    std::multimap<uint64_t, FATPlace> m_fatPlaces;
    FATDirSectorSet m_dirSectors;
    std::vector<FileTypeRecord> m_foundEntries;
    std::vector<uint8_t> m_block;
    FATEntryChecks m_checks;
    bool m_useBootRecords = true;
    bool m_useFirstFAT = true;
    bool m_useSecondFAT = true;
    bool m_candidateCapLogged = false;
    bool m_entryCapLogged = false;
};
