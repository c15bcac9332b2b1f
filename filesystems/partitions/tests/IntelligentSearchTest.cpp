// The intelligent search: block cutting (short last block, 4096-byte sectors, a start sector), every scanner
// fed each block even when one throws, cancel between blocks with EndSearch and the summary still done,
// blocks with unreadable sectors handed over zeroed, and scanners side by side running apart within the
// window.
#include "filesystems/partitions/CIntelligentSearchController.h"

#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/common/IIntelligentSearchCallback.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

using testsupport::MemoryDevice;

namespace {

// Records the calls it gets and reads each block whole, as a scanner does.
class RecordingScanner : public IFileSystemSearchController {
public:
    explicit RecordingScanner(bool throws = false) : m_throws(throws) {}
    void SetDevice(IStorageDevice* device) override { m_device = device; }
    void SetBlockSectors(int sectors) override { blockSectors = sectors; }
    void BeginSearch() override { ++begun; }
    void EndSearch() override { ++ended; }
    int AnalyzeBlock(uint64_t first, uint64_t count, CIntelligentSearchStatistics* statistics) override
    {
        blocks.push_back({first, count});
        std::vector<uint8_t> bytes(size_t(count) * size_t(m_device->GetSectorSize()));
        readOk.push_back(m_device->ReadSectors(bytes.data(), first, count));
        data.push_back(std::move(bytes));
        ++statistics->TotalFilesFound;
        if (m_throws) throw std::runtime_error("damaged");
        return 1;
    }
    void GetSearchedPartitions(CSearchedPartitionList&) override {}
    void SetRawFileList(CRawFileList*) override {}
    void SaveState(IRSData*) override {}
    void LoadState(IRSData*) override {}
    int GetKind() const override { return kSearchControllerNTFS; }

    int blockSectors = 0, begun = 0, ended = 0;
    std::vector<std::pair<uint64_t, uint64_t>> blocks;
    std::vector<bool> readOk;
    std::vector<std::vector<uint8_t>> data;

private:
    IStorageDevice* m_device = nullptr;
    bool m_throws;
};

class CancelAt : public IIntelligentSearchCallback {
public:
    explicit CancelAt(uint64_t block) : m_block(block) {}
    void SetPosition(uint64_t block) override { positions.push_back(block); }
    void SetRange(uint64_t first, uint64_t count) override { range = {first, count}; }
    int IsCancelled() override { return !positions.empty() && positions.back() >= m_block; }
    void Refresh() override {}
    void GetStatistics(CIntelligentSearchStatistics*) override {}
    void SetStatistics(const CIntelligentSearchStatistics* s) override { last = *s; }
    void OnSearchFinished() override {}

    std::vector<uint64_t> positions;
    std::pair<uint64_t, uint64_t> range;
    CIntelligentSearchStatistics last;

private:
    uint64_t m_block;
};

} // namespace

TEST(IntelligentSearch, BlocksOfFourMebibytes)
{
    struct Case {
        uint64_t sectors;
        int32_t sectorSize;
        uint64_t start;
        std::vector<std::pair<uint64_t, uint64_t>> blocks;
    } cases[] = {
        {8193, 512, 0, {{0, 8192}, {8192, 1}}},
        {2500, 4096, 0, {{0, 1024}, {1024, 1024}, {2048, 452}}},
        {100, 512, 0, {{0, 100}}},
        {30000, 512, 20000, {{16384, 8192}, {24576, 5424}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sectors);
        MemoryDevice device(c.sectors, c.sectorSize);
        RecordingScanner scanner;
        CIntelligentSearchController search;
        search.SetDevice(&device);
        search.SetStartSector(c.start);
        search.AddController(&scanner);
        CancelAt never(UINT64_MAX);
        ASSERT_EQ(search.Run(&never), 1);
        EXPECT_TRUE(search.IsDone());
        EXPECT_EQ(scanner.blockSectors, int(4194304 / c.sectorSize));
        EXPECT_EQ(scanner.blocks, c.blocks);
        EXPECT_EQ(never.range.second, (c.sectors + 4194304 / c.sectorSize - 1) / (4194304 / c.sectorSize));
        EXPECT_EQ(scanner.begun, 1);
        EXPECT_EQ(scanner.ended, 1);
        EXPECT_EQ(search.GetStatistics().TotalFilesFound, int64_t(c.blocks.size()));
    }
}

TEST(IntelligentSearch, AThrowingScannerDoesNotBlindTheOthers)
{
    MemoryDevice device(20000);
    RecordingScanner first(true), second;
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.SetStartSector(0);
    search.AddController(&first);
    search.AddController(&second);
    testsupport::LogCapture log;
    ASSERT_EQ(search.Run(nullptr), 1);
    EXPECT_EQ(first.blocks.size(), 3u);
    EXPECT_EQ(second.blocks, first.blocks);
    EXPECT_TRUE(log.Contains("the NTFS scanner failed on sectors 0..8191: damaged"));
}

TEST(IntelligentSearch, CancelStopsAfterTheBlockAndStillFinishes)
{
    MemoryDevice device(8192 * 10);
    RecordingScanner scanner;
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.SetStartSector(0);
    search.AddController(&scanner);
    CancelAt cancel(5);
    testsupport::LogCapture log;
    ASSERT_EQ(search.Run(&cancel), 1);
    EXPECT_EQ(scanner.blocks.size(), 6u); // blocks 0..5
    EXPECT_EQ(scanner.ended, 1);
    EXPECT_TRUE(search.WasCancelled());
    EXPECT_EQ(cancel.last.TotalFilesFound, 6);
    EXPECT_TRUE(log.Contains("Intelligent search was cancelled by user!"));
    EXPECT_TRUE(log.Contains("Intelligent search result summary:"));
    EXPECT_TRUE(log.Contains("TotalFilesFound = 6"));
}

TEST(IntelligentSearch, WithoutScannersTheBlocksAreStillWalked)
{
    MemoryDevice device(9000);
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.SetStartSector(0);
    testsupport::LogCapture log;
    ASSERT_EQ(search.Run(nullptr), 1);
    EXPECT_EQ(search.GetBlocksSearched(), 2u);
    EXPECT_TRUE(log.Contains("FATBootRecords = 0"));
}

TEST(IntelligentSearch, UnreadableSectorsReachTheScannersAsZeros)
{
    MemoryDevice device(10000);
    device.FillWithPattern();
    device.FailSector(8300);
    RecordingScanner scanner;
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.SetStartSector(0);
    search.AddController(&scanner);
    testsupport::LogCapture log;
    ASSERT_EQ(search.Run(nullptr), 1);
    ASSERT_EQ(scanner.data.size(), 2u);
    EXPECT_TRUE(scanner.readOk[1]);
    const std::vector<uint8_t>& block = scanner.data[1];
    const size_t bad = (8300 - 8192) * 512;
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + bad, block.begin() + bad + 512), std::vector<uint8_t>(512, 0));
    EXPECT_EQ(block[bad + 512], MemoryDevice::PatternByte(8301, 0));
    EXPECT_EQ(block[bad - 1], MemoryDevice::PatternByte(8299, 511));
    EXPECT_TRUE(log.Contains("sector 8300 cannot be read"));
}

TEST(IntelligentSearch, ScannersSideBySideRunApartWithinTheWindowAndAreMergedInOrder)
{
    // The first scanner is held at block 0 until the second has gone as far ahead as the window lets it (or a
    // while has passed): the second must get there, and no further, while each still reads its own block's
    // bytes and the counters and positions arrive block by block in order.
    constexpr uint64_t kBlocks = 8;
    constexpr uint64_t kWindow = CIntelligentSearchController::kScannerWindow;
    MemoryDevice device(8192 * kBlocks);
    device.FillWithPattern();
    std::mutex lock;
    std::condition_variable changed;
    uint64_t fastDone = 0, slowDone = 0;
    int64_t furthestLead = 0;
    bool overtaken = false;
    struct HookedScanner : RecordingScanner {
        std::function<void(uint64_t block)> before, after;
        int AnalyzeBlock(uint64_t first, uint64_t count, CIntelligentSearchStatistics* statistics) override
        {
            before(first / 8192);
            const int r = RecordingScanner::AnalyzeBlock(first, count, statistics);
            after(first / 8192);
            return r;
        }
    } slow, fast;
    slow.before = [&](uint64_t block) {
        std::unique_lock<std::mutex> guard(lock);
        if (block == 0)
            overtaken = changed.wait_for(guard, std::chrono::seconds(5), [&] { return fastDone == kWindow; });
    };
    slow.after = [&](uint64_t) {
        std::lock_guard<std::mutex> guard(lock);
        ++slowDone;
    };
    fast.before = [&](uint64_t block) {
        std::lock_guard<std::mutex> guard(lock);
        furthestLead = std::max(furthestLead, int64_t(block) - int64_t(slowDone));
    };
    fast.after = [&](uint64_t) {
        std::lock_guard<std::mutex> guard(lock);
        ++fastDone;
        changed.notify_all();
    };
    CIntelligentSearchController search;
    search.SetDevice(&device);
    search.SetStartSector(0);
    search.SetParallelScanners(true);
    search.AddController(&slow);
    search.AddController(&fast);
    struct Positions : CancelAt {
        Positions() : CancelAt(UINT64_MAX) {}
        std::vector<int64_t> found;
        void SetStatistics(const CIntelligentSearchStatistics* s) override { found.push_back(s->TotalFilesFound); }
    } positions;
    ASSERT_EQ(search.Run(&positions), 1);

    if (std::thread::hardware_concurrency() > 1) {
        EXPECT_TRUE(overtaken);
        EXPECT_EQ(furthestLead, int64_t(kWindow) - 1);
    }
    std::vector<std::pair<uint64_t, uint64_t>> blocks;
    std::vector<uint64_t> expectedPositions;
    std::vector<int64_t> expectedFound;
    for (uint64_t i = 0; i < kBlocks; ++i) {
        blocks.push_back({i * 8192, 8192});
        expectedPositions.push_back(i);
        expectedFound.push_back(int64_t(2 * (i + 1)));
    }
    EXPECT_EQ(slow.blocks, blocks);
    EXPECT_EQ(fast.blocks, blocks);
    EXPECT_EQ(positions.positions, expectedPositions);
    EXPECT_EQ(positions.found, expectedFound);
    for (const RecordingScanner* scanner : {&slow, &fast})
        for (uint64_t i = 0; i < kBlocks; ++i) {
            SCOPED_TRACE(i);
            ASSERT_EQ(scanner->data[i].size(), 8192u * 512);
            EXPECT_TRUE(scanner->readOk[i]);
            EXPECT_EQ(scanner->data[i][0], MemoryDevice::PatternByte(i * 8192, 0));
            EXPECT_EQ(scanner->data[i].back(), MemoryDevice::PatternByte(i * 8192 + 8191, 511));
        }
    EXPECT_EQ(search.GetStatistics().TotalFilesFound, int64_t(2 * kBlocks));
}
