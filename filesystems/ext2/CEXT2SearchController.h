// The ext2 scanner of format recovery: fed every sector of a device in consecutive blocks, it recognises
// ext2 and ext3 superblock copies, gathers the group-descriptor table that follows each, keeps one found
// partition per distinct file system, scores them when asked, and builds the tree of a chosen one.
#pragma once

#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/IFileSystemSearchController.h"

#include <array>
#include <cstdint>
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
    // The files a partition's tree would list, from its superblock and group descriptors.
    static uint64_t FilesOf(const CExt2SearchedPartitionInfo& partition);
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
};
