// The NTFS tree build on small volumes built record by record: deleted files and folders in place, lost
// files and their folders, system files kept out, failed $MFT reads, cancellation at every call, a $MFT
// spread over extension records, and the volumes the build refuses.
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/CNTFSMftScanBuilder.h"
#include "filesystems/ntfs/CNTFSTreeAssembler.h"
#include "filesystems/ntfs/DeletedFilesGathering.h"
#include "filesystems/ntfs/tests/NtfsTreeTestSupport.h"

#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

using namespace ntfstree;
using namespace testsupport;

namespace {

constexpr uint32_t kHiddenSystem = 0x06;

std::u16string Name(const char* prefix, uint32_t n)
{
    const std::string text = prefix + std::to_string(n);
    return std::u16string(text.begin(), text.end());
}

std::set<std::string> Paths(CFileNode* tree)
{
    std::set<std::string> out;
    for (const auto& [path, node] : PathsBelow(tree)) out.insert(path);
    return out;
}

const IFileProperties* At(CFileNode* tree, const std::string& path)
{
    const auto paths = PathsBelow(tree);
    const auto found = paths.find(path);
    return found == paths.end() ? nullptr : found->second->GetProperties();
}

// Deleted files and folders where they were, lost folders that name each other as parent, a lost folder
// too low to adopt, and files below lost folders.
void AddLostAndDeleted(SyntheticVolume& v)
{
    v.AddFolder(60, 5, u"home");
    v.AddFile(52, 60, u"stillHome.txt", false);
    v.AddFolder(61, 5, u"gone", false);
    v.AddFile(62, 61, u"inGone.txt", false);
    v.AddFolder(30, 40, u"lostA", false);
    v.AddFolder(40, 30, u"lostB", false);
    v.AddFile(51, 30, u"deepChild.txt", false);
    v.AddFolder(20, 999, u"low");
    v.AddFile(50, 20, u"underLow.txt");
}

TEST(NtfsMftTree, DeletedEntriesStayInPlaceAndLostOnesGatherWithoutCycles)
{
    SyntheticVolume v;
    AddLostAndDeleted(v);
    // Twice in one run: each build numbers its own lost-files folder from 1.
    for (int build = 0; build < 2; ++build) {
        SCOPED_TRACE(build);
        CFileSystemNode* tree = BuildNTFS(&v.Device(), nullptr);
        ASSERT_NE(tree, nullptr);
        EXPECT_STREQ(tree->GetName(), "Synthetic");
        EXPECT_EQ(Paths(tree), (std::set<std::string>{"/home", "/home/stillHome.txt", "/gone", "/gone/inGone.txt",
                                                      "/LostFiles1", "/LostFiles1/lostB", "/LostFiles1/lostB/lostA",
                                                      "/LostFiles1/lostB/lostA/deepChild.txt", "/LostFiles1/low",
                                                      "/LostFiles1/underLow.txt"}));
        EXPECT_EQ(At(tree, "/home")->GetState(), 0);
        EXPECT_EQ(At(tree, "/home/stillHome.txt")->GetState(), kFileStateDeleted);
        EXPECT_EQ(At(tree, "/gone")->GetState(), kFileStateDeleted);
        EXPECT_EQ(At(tree, "/gone/inGone.txt")->GetState(), kFileStateDeleted);
        EXPECT_EQ(At(tree, "/LostFiles1")->GetState(), kFileStateTemporary);
        EXPECT_EQ(At(tree, "/LostFiles1")->GetAttributes() & kFileAttrDirectory, kFileAttrDirectory);
        // No node still points at an entry of the finished build.
        WalkFileTreeBreadthFirst(tree, [](CFileNode* n) { EXPECT_EQ(n->GetUserData(), nullptr); });
        DeleteFoundTree(tree);
    }
}

TEST(NtfsMftTree, SystemFilesAndTheirFoldersStayOut)
{
    SyntheticVolume v;
    const char16_t* names[] = {u"$MFTMirr", u"$LogFile", nullptr,     u"$AttrDef", nullptr,
                               u"$Bitmap",  u"$Boot",    u"$BadClus", u"$Secure",  u"$UpCase"};
    for (uint32_t n = 1; n <= 10; ++n)
        if (names[n - 1]) v.Put(n, SyntheticVolume::Record(5, names[n - 1], false, true, kHiddenSystem));
    v.Put(11, SyntheticVolume::Record(5, u"$Extend", true, true, kHiddenSystem));
    v.Put(24, SyntheticVolume::Record(11, u"$Quota", false, true, kHiddenSystem));
    v.Put(30, SyntheticVolume::Record(11, u"$UsnJrnl", false, true, kHiddenSystem));
    v.Put(31, SyntheticVolume::Record(11, u"$RmMetadata", true, true, kHiddenSystem));
    v.Put(32, SyntheticVolume::Record(31, u"$Txf", true, true, kHiddenSystem));
    v.Put(33, SyntheticVolume::Record(32, u"$TxfLog.blf", false, true, kHiddenSystem));
    v.AddFile(40, 5, u"user.txt");

    CFileSystemNode* tree = BuildNTFS(&v.Device(), nullptr);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(Paths(tree), (std::set<std::string>{"/user.txt"}));

    // Nothing deleted: the gathered folder is empty and counts no file.
    CFileSystemNode* gathered = GatherDeletedFiles(tree);
    ASSERT_NE(gathered, nullptr);
    FileTreeStatistics statistics;
    gathered->GetStatistics(statistics);
    EXPECT_EQ(statistics.files, 0u);
    ASSERT_NE(gathered->GetFirstChild(), nullptr);
    EXPECT_EQ(gathered->GetFirstChild()->GetFirstChild(), nullptr);
    DeleteFoundTree(gathered);
    DeleteFoundTree(tree);
}

// Fails the reads that touch chosen sectors and leaves the buffer as it was, as a device that gives up
// without clearing anything would.
class StaleOnFailureDevice : public IStorageDevice {
public:
    explicit StaleOnFailureDevice(MemoryDevice& inner) : m_inner(inner) {}
    bool ReadSectors(void* buffer, uint64_t first, uint64_t count) override
    {
        for (uint64_t s = first; s < first + count; ++s)
            if (failing.count(s)) return false;
        return m_inner.ReadSectors(buffer, first, count);
    }
    uint64_t GetSectorCount() override { return m_inner.GetSectorCount(); }
    int32_t GetSectorSize() override { return m_inner.GetSectorSize(); }
    bool Open() override { return true; }
    bool Close() override { return true; }
    std::set<uint64_t> failing;

private:
    MemoryDevice& m_inner;
};

TEST(NtfsMftTree, FailedReadLosesOnlyItsRecordsAndLeavesNoGhosts)
{
    // 200 records: windows of 64 records, the second one unreadable.
    SyntheticVolume v(200);
    for (uint32_t n = 24; n < 200; ++n) v.AddFile(n, 5, Name("f", n));
    StaleOnFailureDevice device(v.Device());
    device.failing.insert(v.RecordSector(64) + 10);

    CNTFSMftScanBuilder builder;
    CFileSystemNode* tree = builder.Build(0, &device, nullptr);
    ASSERT_NE(tree, nullptr);
    std::multiset<std::string> names;
    for (CFileNode* c = tree->GetFirstChild(); c; c = c->GetNextSibling()) names.insert(c->GetProperties()->GetName());
    for (uint32_t n = 24; n < 200; ++n) {
        const size_t expected = n >= 64 && n < 128 ? 0 : 1;
        EXPECT_EQ(names.count("f" + std::to_string(n)), expected) << n;
    }
    EXPECT_EQ(names.size(), 200u - 24u - 64u);
    EXPECT_EQ(builder.GetCounters().failedReads, 1u);
    EXPECT_EQ(builder.GetCounters().unreadSectors, 128u);
    DeleteFoundTree(tree);
}

TEST(NtfsMftTree, CancelAtAnyCallGivesNoTree)
{
    SyntheticVolume v(200);
    AddLostAndDeleted(v);
    for (uint32_t n = 70; n < 200; ++n) v.AddFile(n, 60, Name("x", n));
    CancellingCallback counting;
    CFileSystemNode* full = BuildNTFS(&v.Device(), &counting);
    ASSERT_NE(full, nullptr);
    DeleteFoundTree(full);
    const uint64_t calls = counting.Calls();
    ASSERT_GT(calls, 150u);

    // Every call, from the first progress call to the worker's last check, may be the one that cancels;
    // whatever was built by then is freed (the sanitizer build checks that nothing leaks).
    for (uint64_t at = 1; at <= calls; ++at) {
        SCOPED_TRACE(at);
        CancellingCallback cancelling(at);
        bytes::ParseResult result;
        EXPECT_EQ(BuildNTFS(&v.Device(), &cancelling, &result), nullptr);
        EXPECT_EQ(result.status, bytes::ParseStatus::Cancelled);
    }
}

// The caller tells a cancel, a volume it cannot use, a device that refused the reads the build needed and a tree
// that lacks the records of failed reads apart by the build's result, not by the tree alone.
TEST(NtfsMftTree, TheResultTellsCancelFailureAndPartialTreeApart)
{
    using bytes::ParseStatus;
    SyntheticVolume v(200);
    for (uint32_t n = 24; n < 200; ++n) v.AddFile(n, 5, Name("f", n));
    const uint64_t secondWindow = v.RecordSector(64) + 10;
    struct Case {
        const char* name;
        std::function<void(MemoryDevice&)> damage;
        uint64_t cancelAt; // 0: never
        bool tree;
        ParseStatus status;
        uint64_t readFailures;
    };
    const Case cases[] = {
        {"every record read", [](MemoryDevice&) {}, 0, true, ParseStatus::Ok, 0},
        {"one $MFT window unreadable", [&](MemoryDevice& d) { d.FailSector(secondWindow); }, 0, true,
         ParseStatus::IoFailure, 1},
        {"the boot sector unreadable", [](MemoryDevice& d) { d.FailSector(0); }, 0, false, ParseStatus::IoFailure, 0},
        {"no NTFS boot sector", [](MemoryDevice& d) { std::memset(d.Sector(0), 0, 512); }, 0, false,
         ParseStatus::Corrupt, 0},
        {"the $MFT record and its mirror unreadable",
         [&](MemoryDevice& d) {
             d.FailSectors(v.RecordSector(0), 2);
             d.FailSectors(SyntheticVolume::kMirrCluster, 2);
         },
         0, false, ParseStatus::IoFailure, 0},
        {"the $MFT record and its mirror not records",
         [&](MemoryDevice& d) {
             std::memset(d.Sector(v.RecordSector(0)), 0, 1024);
             std::memset(d.Sector(SyntheticVolume::kMirrCluster), 0, 1024);
         },
         0, false, ParseStatus::Corrupt, 0},
        {"cancelled", [](MemoryDevice&) {}, 3, false, ParseStatus::Cancelled, 0},
        {"cancelled after a window was unreadable", [&](MemoryDevice& d) { d.FailSector(secondWindow); }, 6, false,
         ParseStatus::Cancelled, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryDevice device(v.Device().Bytes());
        c.damage(device);
        CancellingCallback callback(c.cancelAt);
        bytes::ParseResult result;
        CFileSystemNode* tree = BuildNTFS(&device, &callback, &result);
        EXPECT_EQ(tree != nullptr, c.tree);
        EXPECT_EQ(result.status, c.status) << bytes::ParseStatusName(result.status);
        EXPECT_EQ(result.counters.readFailures, c.readFailures);
        if (tree) {
            EXPECT_GT(result.counters.recordsRead, 0u);
        }
        DeleteFoundTree(tree);
    }
}

TEST(NtfsMftTree, BuildsOnAWorkerWhileTheCallerPumps)
{
    SyntheticVolume v;
    v.AddFile(40, 5, u"only.txt");
    std::mutex lock;
    std::set<std::thread::id> readers;
    std::atomic<int> pumps{0};
    const auto caller = std::this_thread::get_id();
    // The worker's reads wait for the caller's first pump (at most 10 s), so the build cannot end before the
    // caller has had a turn however the threads are scheduled.
    v.Device().SetReadHook([&](uint64_t, uint64_t) {
        {
            std::lock_guard guard(lock);
            readers.insert(std::this_thread::get_id());
        }
        if (std::this_thread::get_id() == caller) return;
        for (int waited = 0; pumps.load() == 0 && waited < 10000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    CFileSystemNode* tree = BuildNTFS(&v.Device(), nullptr, nullptr, [&] {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        ++pumps;
    });
    ASSERT_NE(tree, nullptr);
    DeleteFoundTree(tree);
    EXPECT_GT(pumps.load(), 0);
    // The boot sector is read on the calling thread, the $MFT on the worker.
    EXPECT_EQ(readers.size(), 2u);
    EXPECT_TRUE(readers.count(caller));
}

TEST(NtfsMftTree, MftSpreadOverExtensionRecordsIsResolvedInLaterPasses)
{
    SyntheticVolume v(100);
    // Records 0-49 lie in the base record's extent, 50-79 in one that record 40 describes, 80-99 in one that
    // record 70 describes; record 70 itself lies in record 40's extent, and the list names it first.
    NtfsRecordBuilder mft(1024);
    mft.Flags(1).AddStandardInformation(kHiddenSystem);
    Bytes list;
    for (const Bytes& e :
         {NtfsAttributeListEntry(0x10, 0), NtfsAttributeListEntry(0x30, 0), NtfsAttributeListEntry(0x80, 0),
          NtfsAttributeListEntry(0x80, 70, 160), NtfsAttributeListEntry(0x80, 40, 100)})
        list.insert(list.end(), e.begin(), e.end());
    mft.AddResident(0x20, list).AddFileName(5, u"$MFT", 3);
    mft.AddNonResident(0x80, NtfsPackRuns({{int64_t(SyntheticVolume::kMftCluster), 100}}), 0, 99, 200 * 512, 200 * 512,
                       200 * 512);
    v.Put(0, mft);

    NtfsRecordBuilder ext40(1024);
    ext40.Flags(1).BaseReference(0).AddNonResident(0x80, NtfsPackRuns({{1000, 60}}), 100, 159, 0, 0, 0);
    v.Put(40, ext40);
    NtfsRecordBuilder ext70(1024);
    ext70.Flags(1).BaseReference(0).AddNonResident(0x80, NtfsPackRuns({{2000, 40}}), 160, 199, 0, 0, 0);
    v.PutAt(1000 + 2 * (70 - 50), ext70.RecordNumber(70).Build());

    v.PutAt(1000 + 2 * (55 - 50),
            SyntheticVolume::Record(5, u"mid.txt").AddResident(0x80, {7}).RecordNumber(55).Build());
    v.PutAt(2000 + 2 * (85 - 80), SyntheticVolume::Record(5, u"far", true).RecordNumber(85).Build());
    v.PutAt(2000 + 2 * (90 - 80),
            SyntheticVolume::Record(85, u"deep.txt").AddResident(0x80, {8}).RecordNumber(90).Build());

    CNTFSMftScanBuilder builder;
    CFileSystemNode* tree = builder.Build(0, &v.Device(), nullptr);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(Paths(tree), (std::set<std::string>{"/mid.txt", "/far", "/far/deep.txt"}));
    EXPECT_EQ(builder.GetCounters().recordSlots, 100u);
    DeleteFoundTree(tree);
}

TEST(NtfsMftTree, VolumesWithoutUsableStructures)
{
    struct Case {
        const char* name;
        void (*damage)(SyntheticVolume&);
        int32_t deviceSectorSize;
        bool built;
    };
    const Case cases[] = {
        {"intact", [](SyntheticVolume&) {}, 512, true},
        {"no boot sector", [](SyntheticVolume& v) { v.PutAt(0, Bytes(512, 0)); }, 512, false},
        {"$MFT record damaged, mirror intact", [](SyntheticVolume& v) { v.PutAt(v.RecordSector(0), Bytes(1024, 0)); },
         512, true},
        {"both damaged",
         [](SyntheticVolume& v) {
             v.PutAt(v.RecordSector(0), Bytes(1024, 0));
             v.PutAt(SyntheticVolume::kMirrCluster, Bytes(1024, 0));
         },
         512, false},
        {"records smaller than the device's sectors", [](SyntheticVolume&) {}, 4096, false},
        // A volume with no file beyond the system files is read: its tree is the bare root.
        {"no file at all", [](SyntheticVolume& v) { v.PutAt(v.RecordSector(40), Bytes(1024, 0)); }, 512, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SyntheticVolume v;
        v.AddFile(40, 5, u"only.txt");
        c.damage(v);
        MemoryDevice device(v.Device().Bytes(), c.deviceSectorSize);
        CFileSystemNode* tree = BuildNTFS(&device, nullptr);
        EXPECT_EQ(tree != nullptr, c.built);
        const bool hasFile = std::string(c.name) != "no file at all";
        if (tree) {
            EXPECT_EQ(Paths(tree), hasFile ? std::set<std::string>{"/only.txt"} : std::set<std::string>{});
        }
        DeleteFoundTree(tree);
    }
}

TEST(NtfsMftTree, RecordNumberOfSector)
{
    CNTFSMftCandidate candidate;
    candidate.GetRunList().Append({100, 0, 4}); // VCN 0-3 at clusters 100-103
    candidate.GetRunList().Append({50, 4, 4});  // VCN 4-7 at clusters 50-53
    candidate.SetSectorsPerRecord(2);
    struct Case {
        uint64_t sector;
        int64_t number;
    };
    // Partition at 1000, 2 sectors per cluster: cluster c starts at sector 1000 + 2c.
    for (const Case c : {Case{1200, 0}, Case{1202, 1}, Case{1206, 3}, Case{1207, -1}, Case{1100, 4}, Case{1106, 7},
                         Case{1201, -1}, Case{1300, -1}, Case{999, -1}}) {
        SCOPED_TRACE(c.sector);
        EXPECT_EQ(RecordNumberOfSector(c.sector, candidate, 1000, 2), c.number);
    }
}

} // namespace
