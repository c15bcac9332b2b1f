// The lost-partition search: which sectors are probed, the sfdisk-made disk whose table was zeroed, the
// probes' refusals (backup copies, unreadable sectors), sizes clamped to the disk, cancel and a worker that
// cannot start.
#include "filesystems/partitions/CLostPartitionSearchRunner.h"

#include "core/devices/CBasicPartitionDevice.h"
#include "filesystems/common/IPartitionSearchCallback.h"
#include "filesystems/partitions/CPartitionEXT2SearchController.h"
#include "filesystems/partitions/CPartitionFATSearchController.h"
#include "filesystems/partitions/CPartitionNTFSSearchController.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/IPartitionFileSystemSearchController.h"
#include "filesystems/partitions/IPartitionSearchAlgorithm.h"
#include "filesystems/partitions/tests/PartitionTestSupport.h"
#include "filesystems/tree/FileSystemKind.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

using namespace parttest;
using testsupport::MemoryDevice;

namespace {

// Records the sectors it is offered and accepts none.
class RecordingController : public IPartitionFileSystemSearchController {
public:
    void SetDevice(IStorageDevice*) override {}
    int CheckSector(std::span<const uint8_t>, uint64_t sector, CLostPartitionRecord&) override
    {
        offered.push_back(sector);
        return 0;
    }
    std::vector<uint64_t> offered;
};

// Keeps copies of the records; cancels once cancelAfter steps were taken (never when negative).
class TestCallback : public IPartitionSearchCallback {
public:
    ~TestCallback() override
    {
        for (CLostPartitionRecord& r : records) delete r.pDevice;
    }
    void PumpMessages() override {}
    void Step() override { ++steps; }
    int IsCancelled() override { return cancelAfter >= 0 && steps >= cancelAfter; }
    void SetStep(int) override {}
    void AdvanceOne() override {}
    void SetRange(uint64_t, uint64_t high) override { range = high; }
    void SetPos(int) override {}
    void Reserved() override {}
    void OnPartitionFound(const CLostPartitionRecord* record) override { records.push_back(*record); }

    int cancelAfter = -1;
    int steps = 0;
    uint64_t range = ~0ull;
    std::vector<CLostPartitionRecord> records;
};

struct Found {
    std::string fileSystem;
    uint64_t start;
    uint64_t count;
    std::string label;
    bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Found& f)
{
    return out << f.fileSystem << " " << f.start << " " << f.count << " \"" << f.label << "\"";
}

std::vector<Found> Summary(const std::vector<CLostPartitionRecord>& records)
{
    std::vector<Found> out;
    for (const CLostPartitionRecord& r : records)
        out.push_back({GetFileSystemName(r.nFileSystemKind), r.u64StartSector, r.u64SectorCount, r.szLabel});
    return out;
}

std::vector<Found> ManifestPartitions()
{
    std::vector<Found> out;
    std::ifstream in(std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/lost-disk.manifest");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string tag, fs, start, count, label;
        if (!std::getline(fields, tag, '\t') || tag != "partition") continue;
        std::getline(fields, fs, '\t'), std::getline(fields, start, '\t'), std::getline(fields, count, '\t');
        std::getline(fields, label, '\t');
        out.push_back({fs, std::stoull(start), std::stoull(count), label});
    }
    return out;
}

const std::vector<uint8_t>& LostDisk()
{
    static const std::vector<uint8_t> bytes = LoadFixtureImage("lost-disk");
    return bytes;
}

std::vector<uint64_t> Offered(IStorageDevice& disk, int heads, bool onlyCylinders)
{
    CPartitionSearchEngine engine;
    RecordingController recorder;
    EXPECT_TRUE(engine.SetDevice(&disk));
    engine.AddFileSystemController(&recorder);
    if (onlyCylinders) {
        engine.AddAlgorithm(std::make_unique<CPartitionSearchAccordingTo255Head>(disk.GetSectorCount()));
        if (heads == 240)
            engine.AddAlgorithm(std::make_unique<CPartitionSearchAccordingTo240Head>(disk.GetSectorCount()));
    } else {
        engine.AddAlgorithms(heads);
    }
    TestCallback callback;
    EXPECT_EQ(engine.Search(&callback), PartitionSearchResult::Finished);
    EXPECT_EQ(callback.range, engine.GetCandidateCount());
    return recorder.offered;
}

} // namespace

TEST(LostPartitionCandidates, CylindersAndTheTrackAfterThem)
{
    SparseDevice small(16064);
    EXPECT_TRUE(Offered(small, 255, true).empty());
    SparseDevice three(16065 * 3);
    EXPECT_EQ(Offered(three, 255, true), (std::vector<uint64_t>{0, 63, 16065, 16128, 32130, 32193}));
}

TEST(LostPartitionCandidates, The240HeadCylindersSkipThoseAlreadyProbed)
{
    SparseDevice disk(15120 * 18);
    const std::vector<uint64_t> offered = Offered(disk, 240, true);
    // 15120 x 17 = 16065 x 16 is a 255-head cylinder: probed once, not twice.
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 15120ull * 17), 1);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 15120ull * 16), 1);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 15120ull * 16 + 63), 1);
}

TEST(LostPartitionCandidates, MiBBoundariesWithoutTrackOffset)
{
    SparseDevice disk(16065 * 2);
    const std::vector<uint64_t> offered = Offered(disk, 255, false);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 2048ull), 1);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 2048ull + 63), 0);
    EXPECT_EQ(std::count(offered.begin(), offered.end(), 0ull), 1); // a cylinder too: once
    // 4096-byte sectors: 1 MiB is 256 sectors.
    SparseDevice large(4096, 4096);
    const std::vector<uint64_t> big = Offered(large, 255, false);
    EXPECT_EQ(std::count(big.begin(), big.end(), 256ull), 1);
}

// The sfdisk-made disk whose table was zeroed: FAT32 at 63, NTFS on a 1 MiB boundary, ext2 on a cylinder.
TEST(LostPartitionSearch, FindsEveryPartitionOfTheZeroedTable)
{
    ASSERT_FALSE(LostDisk().empty());
    MemoryDevice disk(LostDisk());
    std::vector<CLostPartitionRecord> found;
    ASSERT_EQ(CLostPartitionSearchRunner::SearchDisk(&disk, 255, found), PartitionSearchResult::Finished);
    std::vector<Found> sorted = Summary(found);
    std::sort(sorted.begin(), sorted.end(), [](const Found& a, const Found& b) { return a.start < b.start; });
    EXPECT_EQ(sorted, ManifestPartitions());
    for (CLostPartitionRecord& r : found) {
        ASSERT_NE(r.pDevice, nullptr);
        auto* window = static_cast<CBasicPartitionDevice*>(r.pDevice);
        EXPECT_EQ(window->GetStartSector(), r.u64StartSector);
        EXPECT_EQ(window->GetSectorCount(), r.u64SectorCount);
        delete r.pDevice;
    }
}

TEST(LostPartitionSearch, SizesAndWindowsStopAtTheDiskEnd)
{
    std::vector<uint8_t> bytes(LostDisk().begin(), LostDisk().begin() + 60000 * 512);
    MemoryDevice disk(bytes);
    std::vector<CLostPartitionRecord> found;
    ASSERT_EQ(CLostPartitionSearchRunner::SearchDisk(&disk, 255, found), PartitionSearchResult::Finished);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(Summary(found)[0], (Found{"FAT32", 63, 60000 - 63, "LOSTFAT32"}));
    EXPECT_EQ(found[0].pDevice->GetSectorCount(), 60000u - 63);
    delete found[0].pDevice;
}

TEST(LostPartitionSearch, AFAT12VolumeIsFound)
{
    const std::vector<uint8_t> floppy = LoadFixtureImage("fat12");
    ASSERT_FALSE(floppy.empty());
    SparseDevice disk(16065 * 2);
    disk.Write(16065 + 63, floppy);
    std::vector<CLostPartitionRecord> found;
    CLostPartitionSearchRunner::SearchDisk(&disk, 255, found);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(Summary(found)[0], (Found{"FAT12", 16065 + 63, 2880, "FLOPPY12"}));
    delete found[0].pDevice;
}

// Copies that are not the start of a partition: the NTFS backup boot sector in the last sector of its
// volume, and an ext2 backup superblock, each on a candidate while their volume's start is not.
TEST(LostPartitionSearch, BackupCopiesOnCandidatesAreNotPartitions)
{
    const std::vector<uint8_t>& lost = LostDisk();
    const auto slice = [&](uint64_t first, uint64_t count) {
        return std::vector<uint8_t>(lost.begin() + first * 512, lost.begin() + (first + count) * 512);
    };
    SparseDevice disk(16065 * 10);
    // NTFS of 16383 sectors + backup: the backup lands on cylinder 2.
    disk.Write(16065 * 2 - 16383, slice(81920, 16384));
    // ext2, 1 KiB blocks: a copy of its superblock marked as group 1's backup, 8192 blocks on, lands at
    // cylinder 9 + 2, where a reader taking it at its word would find the file system 16384 sectors earlier.
    const uint64_t ext2Start = 16065 * 9 - 16384;
    disk.Write(ext2Start, slice(112455, 16384));
    std::vector<uint8_t> backup = slice(112455 + 2, 2);
    backup[90] = 1;
    disk.Write(16065 * 9 + 2, backup);
    std::vector<CLostPartitionRecord> found;
    ASSERT_EQ(CLostPartitionSearchRunner::SearchDisk(&disk, 255, found), PartitionSearchResult::Finished);
    EXPECT_TRUE(found.empty()) << (found.empty() ? Found{} : Summary(found)[0]);
    for (CLostPartitionRecord& r : found) delete r.pDevice;
}

TEST(LostPartitionSearch, AnUnreadableCandidateIsPassedOver)
{
    MemoryDevice disk(LostDisk());
    disk.FailSector(63);
    std::vector<CLostPartitionRecord> found;
    ASSERT_EQ(CLostPartitionSearchRunner::SearchDisk(&disk, 255, found), PartitionSearchResult::Finished);
    std::vector<Found> expected = ManifestPartitions();
    expected.erase(expected.begin());
    std::vector<Found> sorted = Summary(found);
    std::sort(sorted.begin(), sorted.end(), [](const Found& a, const Found& b) { return a.start < b.start; });
    EXPECT_EQ(sorted, expected);
    for (CLostPartitionRecord& r : found) delete r.pDevice;
}

// Cancelled before the first candidate, after the first and second finds, and never: what was reported
// stays with the callback (whose copies free their windows), nothing after the cancel.
TEST(LostPartitionSearch, CancelAtAnyStep)
{
    MemoryDevice disk(LostDisk());
    // Steps: the FAT32 volume at 63 is seen at step 1 (cylinder 0), ext2 at step 8 (cylinder 7), NTFS at
    // step 49 (the 41st 1 MiB boundary).
    const struct {
        int cancelAfter;
        PartitionSearchResult result;
        std::vector<std::string> kinds;
    } cases[] = {
        {0, PartitionSearchResult::Cancelled, {}},
        {1, PartitionSearchResult::Cancelled, {"FAT32"}},
        {8, PartitionSearchResult::Cancelled, {"FAT32", "EXT2"}},
        {48, PartitionSearchResult::Cancelled, {"FAT32", "EXT2"}},
        {1000, PartitionSearchResult::Finished, {"FAT32", "EXT2", "NTFS"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cancelAfter);
        CPartitionSearchEngine engine;
        CPartitionFATSearchController fat;
        CPartitionNTFSSearchController ntfs;
        CPartitionEXT2SearchController ext2;
        ASSERT_TRUE(engine.SetDevice(&disk));
        engine.AddFileSystemController(&fat);
        engine.AddFileSystemController(&ntfs);
        engine.AddFileSystemController(&ext2);
        engine.AddAlgorithms(255);
        TestCallback callback;
        callback.cancelAfter = c.cancelAfter;
        EXPECT_EQ(engine.Run(&callback), c.result);
        EXPECT_TRUE(engine.IsDone());
        std::vector<std::string> kinds;
        for (const Found& f : Summary(callback.records)) kinds.push_back(f.fileSystem);
        EXPECT_EQ(kinds, c.kinds);
    }
}

// A runner dropped while its search runs cancels it, waits, and frees the windows nobody took.
TEST(LostPartitionSearch, ARunnerDroppedMidwayLeavesNothing)
{
    MemoryDevice disk(LostDisk());
    for (int i = 0; i < 3; ++i) {
        CLostPartitionSearchRunner runner;
        ASSERT_TRUE(runner.Start(&disk));
        while (i > 0 && !runner.IsDone() && runner.GetFoundCount() < size_t(i)) std::this_thread::yield();
    }
    CLostPartitionSearchRunner runner;
    ASSERT_TRUE(runner.Start(&disk));
    EXPECT_FALSE(runner.Start(&disk));
    EXPECT_EQ(runner.Wait(), PartitionSearchResult::Finished);
    EXPECT_EQ(runner.GetCandidatesDone(), runner.GetCandidateCount());
    EXPECT_EQ(runner.GetFoundCount(), 3u);
}

// A worker the system refuses is an error, not an empty result.
TEST(LostPartitionSearch, AWorkerThatCannotStartIsAnError)
{
    class NoThreads : public CPartitionSearchEngine {
    protected:
        bool StartWorker(std::thread&, std::function<void()>) override { return false; }
    };
    MemoryDevice disk(LostDisk());
    NoThreads engine;
    CPartitionFATSearchController fat;
    ASSERT_TRUE(engine.SetDevice(&disk));
    engine.AddFileSystemController(&fat);
    engine.AddAlgorithms(255);
    TestCallback callback;
    EXPECT_EQ(engine.Run(&callback), PartitionSearchResult::Failed);
    EXPECT_FALSE(engine.GetError().empty());
    EXPECT_EQ(callback.range, ~0ull); // never called

    SparseDevice empty(0);
    CLostPartitionSearchRunner runner;
    EXPECT_FALSE(runner.Start(&empty));
    EXPECT_FALSE(runner.GetError().empty());
}
