// The ext2 scanner of format recovery: fed every sector of a device in consecutive blocks, it recognises
// ext2 and ext3 superblock copies, gathers the group-descriptor table that follows each, keeps one found
// partition per distinct file system, scores them when asked, and builds the tree of a chosen one.
#pragma once

#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/IFileSystemSearchController.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <vector>

class CExt2SearchedPartitionInfo;

// One thread at a time (the one driving the scan; for BuildDirectoryTree, the one asking for the tree).
class CEXT2SearchController : public IFileSystemSearchController {
public:
    // The window: the sector under analysis and the seven after it.
    static constexpr int kWindowSectors = 8;
    // Distinct file systems kept; further ones are ignored.
    static constexpr size_t kMaxFound = 500000;

    CEXT2SearchController();
    ~CEXT2SearchController() override;
    CEXT2SearchController(const CEXT2SearchController&) = delete;
    CEXT2SearchController& operator=(const CEXT2SearchController&) = delete;

    // Scans the device's 512-byte view.
    void SetDevice(IStorageDevice* device) override;
    void SetBlockSectors(int sectors) override { m_blockSectors = sectors; }
    void BeginSearch() override;
    void EndSearch() override;
    // Reads the block in one request (sector by sector where that fails: unreadable sectors are zeroed and
    // logged) and analyses each sector with the seven after it. Returns 1.
    int AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount, CIntelligentSearchStatistics* statistics) override;
    int AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                          CIntelligentSearchStatistics* statistics) override;
    void GetSearchedPartitions(CSearchedPartitionList& partitions) override;
    void SetRawFileList(CRawFileList* hits) override { m_hits = hits; }
    void SaveState(IRSData*) override {}
    void LoadState(IRSData*) override {}
    int GetKind() const override { return kSearchControllerEXT2; }
    // The tree of the partition (reloaded from the device first when it came back from a recovery state),
    // with a "Raw Files" folder of the hits in blocks no found file uses. Null on failure or cancel.
    CFileSystemNode* BuildDirectoryTree(CSearchedPartitionInfo* partition, IStorageDevice* device, int index,
                                        IDIRBuildCallback* callback) override;
    bool IsFileSystemSupported(int fileSystemKind) const override;

    // For tests: partitions held (found, or left over from merges) and whether a candidate is open.
    size_t GetListedCount() const { return m_found.size(); }
    bool HasCandidate() const { return m_candidate != nullptr; }
    uint64_t GetUnreadableSectors() const { return m_unreadable; }

private:
    // Adds consecutive 512-byte sectors from sector first on, analysing each window as it completes; false
    // when an analysis failed (logged), which ends the block.
    bool AddSectors(std::span<const uint8_t> sectors, uint64_t first);
    // The window from sector on, given its first two sectors.
    void AnalyseWindow(uint64_t sector, const uint8_t* first, const uint8_t* second);
    void AddFound(std::unique_ptr<CExt2SearchedPartitionInfo> partition);
    // An inode table: its sectors up to end (exclusive) on the device, the number of its first inode, and what
    // a record there needs to be counted as a file of the tree.
    struct InodeTable {
        uint64_t end = 0;
        uint64_t firstNumber = 0;
        uint64_t firstCounted = 0; // the file system's first ordinary inode
        uint64_t lastCounted = 0;  // its inode count
        uint64_t inodeSize = 0;
        uint64_t blockSize = 0;
        uint64_t blocksCount = 0;
    };
    // Notes the inode tables of a newly found file system, to count every file its tree will list (deleted
    // ones and those of deleted folders included): those still ahead as they pass, those the scan has passed
    // (a file system found by a backup copy) read back from the device, up to kMaxReadBackSectors in a search.
    void AddInodeTables(const CExt2SearchedPartitionInfo& partition);
    // Counts the files of the table starting at tableStart whose records lie in the sectors from first on.
    void CountInodes(const InodeTable& table, uint64_t tableStart, std::span<const uint8_t> sectors, uint64_t first);
    // Counts the files in the sectors of the tables ahead, and forgets the tables passed.
    void CountInodeTables(std::span<const uint8_t> sectors, uint64_t first);
    // Adds the files of the partitions found during one block to the statistics when the block is done.
    struct FilesToReport {
        uint64_t& files;
        CIntelligentSearchStatistics* statistics;
        ~FilesToReport()
        {
            if (statistics) statistics->TotalFilesFound += int64_t(files);
            files = 0;
        }
    };
    const uint8_t* Slot(uint64_t sector) const;

    IStorageDevice* m_device = nullptr; // 512-byte view, not owned
    CRawFileList* m_hits = nullptr;     // not owned
    int m_blockSectors = 0;
    uint64_t m_ratio = 1;
    std::vector<std::unique_ptr<CExt2SearchedPartitionInfo>> m_found;
    std::unique_ptr<CExt2SearchedPartitionInfo> m_candidate;
    // Copies of the last eight sectors added: sector n lives in slot n % 8.
    std::array<std::array<uint8_t, 512>, kWindowSectors> m_ring{};
    int m_held = 0;
    std::vector<uint8_t> m_block;
    uint64_t m_unreadable = 0;
    uint64_t m_newFiles = 0; // files of the partitions found in the block being analysed

    static constexpr uint64_t kMaxReadBackSectors = 131072; // 64 MiB
    std::map<uint64_t, InodeTable> m_aheadTables; // tables ahead of the scan by first sector; dropped once passed
    std::map<uint64_t, uint64_t> m_knownTables;   // every table noted (first sector -> end), none overlapping
    uint64_t m_addingFrom = 0;                    // first sector of the sectors being added
    uint64_t m_readBackSectors = 0;
};
