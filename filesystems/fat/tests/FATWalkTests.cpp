// The directory walk on byte-built volumes: runs of live and deleted files, chains that end, loop or leave the
// volume, long names carried between reads, folders that claim one cluster, recycle-bin names, placeholders.
#include "filesystems/fat/CFATBuildContext.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/fat/CFATTreeBuilder.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/fat/tests/FATImageBuilder.h"

#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/TreeReshaping.h"
#include "tests/support/LogCapture.h"

#include <mutex>

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <thread>

using namespace fattest;

namespace {

// Any next-cluster values at all, loops included (real tables with loops are refused when loaded).
struct FakeTable : IFATTable {
    std::map<uint32_t, uint32_t> next;
    uint32_t GetNextCluster(uint32_t c) const override
    {
        auto f = next.find(c);
        return f == next.end() ? 0 : f->second;
    }
    void Chain(const std::vector<uint32_t>& clusters)
    {
        for (size_t i = 0; i < clusters.size(); ++i)
            next[clusters[i]] = i + 1 < clusters.size() ? clusters[i + 1] : fat::kEndOfChain;
    }
};

FATVolumeGeometry GeometryOf(Fat16Image& image)
{
    FATVolumeGeometry g;
    g.type = 1;
    g.sectorsPerCluster = image.SectorsPerCluster();
    g.rootSector = image.RootSector();
    g.rootSectors = Fat16Image::kRootSectors;
    g.rootPresent = true;
    g.dataStart = image.DataStart();
    g.sectorCount = image.Device().GetSectorCount();
    return g;
}

std::vector<DataRun> Runs(const std::unique_ptr<CFATDataRunList>& list)
{
    if (!list) return {};
    return {list->GetRuns().begin(), list->GetRuns().end()};
}

std::map<std::string, CFileNode*> Paths(CFileNode* root)
{
    std::map<std::string, CFileNode*> out;
    std::vector<std::pair<CFileNode*, std::string>> stack{{root, ""}};
    while (!stack.empty()) {
        auto [node, prefix] = stack.back();
        stack.pop_back();
        for (CFileNode* c = node->GetFirstChild(); c; c = c->GetNextSibling()) {
            const std::string path = prefix + "/" + c->GetProperties()->GetName();
            out[path] = c;
            stack.push_back({c, path});
        }
    }
    return out;
}

struct TreeDeleter {
    void operator()(CFileSystemNode* tree) const { DeleteFoundTree(tree); }
};
using TreePtr = std::unique_ptr<CFileSystemNode, TreeDeleter>;

} // namespace

TEST(CFATBuildContext, RunsOfLiveAndDeletedFiles)
{
    Fat16Image image(8, 300); // 4096-byte clusters 2..301
    FakeTable table;
    table.next = {{7, 20},
                  {20, fat::kEndOfChain},
                  {30, fat::kEndOfChain},
                  {40, 1},
                  {41, fat::kBadCluster},
                  {42, 5000},
                  {101, fat::kBadCluster},
                  {300, fat::kEndOfChain},
                  {301, fat::kEndOfChain}};
    table.Chain({60, 61, 62, 70});
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    EXPECT_EQ(context.GetClusterCount(), 300u);

    struct Case {
        const char* what;
        uint32_t first;
        uint64_t size;
        bool deleted;
        std::vector<DataRun> runs;
    };
    const Case cases[] = {
        {"chain jumping from 7 to 20", 7, 8192, false, {{5, 1}, {18, 1}}},
        {"consecutive clusters merge", 60, 4 * 4096, false, {{58, 3}, {68, 1}}},
        {"chain longer than the size stops at the size", 60, 4096, false, {{58, 1}}},
        {"chain ending early is lengthened to the size", 30, 3 * 4096, false, {{28, 3}}},
        {"next value 1 ends the chain", 40, 2 * 4096, false, {{38, 2}}},
        {"bad-cluster value ends the chain", 41, 2 * 4096, false, {{39, 2}}},
        {"next past the cluster count ends the chain", 42, 2 * 4096, false, {{40, 2}}},
        {"deleted 10000 bytes from 100 skip the bad 101", 100, 10000, true, {{98, 1}, {100, 2}}},
        {"deleted 10000 bytes from 200", 200, 10000, true, {{198, 3}}},
        {"deleted file at the last cluster is cut at the volume end", 301, 10000, true, {{299, 1}}},
        {"last cluster", 301, 4096, false, {{299, 1}}},
        {"runs past the volume", 300, 3 * 4096, false, {}},
        {"live first cluster 0 with a size", 0, 100, false, {}},
        {"live first cluster 1 with a size", 1, 100, false, {}},
        {"deleted first cluster 0", 0, 100, true, {}},
        {"first cluster past the volume", 302, 100, false, {}},
        {"empty file", 5, 0, false, {}},
        {"deleted empty file", 5, 0, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Runs(context.BuildRunList(c.first, c.size, c.deleted)), c.runs);
    }
    const auto& bits = context.GetClusterBitmap();
    EXPECT_TRUE(bits[5]);    // cluster 7, live
    EXPECT_TRUE(bits[18]);   // cluster 20, live
    EXPECT_FALSE(bits[198]); // cluster 200, deleted: free space
    EXPECT_FALSE(bits[6]);
}

TEST(CFATBuildContext, ALoopingChainEndsTheRunList)
{
    Fat16Image image(1, 100);
    FakeTable table;
    table.next = {{10, 11}, {11, 10}};
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    auto runs = context.BuildRunList(10, 1u << 30, false); // far larger than the volume: the loop must end it
    EXPECT_FALSE(runs);                                    // the size would run past the volume
    auto small = Runs(context.BuildRunList(10, 3 * 512, false));
    uint64_t total = 0;
    for (const DataRun& r : small) total += r.length;
    EXPECT_EQ(total, 3u); // turns round the loop until the size is covered, and no further
}

TEST(CFATBuildContext, WalksFoldersLongNamesLoopsAndDuplicates)
{
    Fat16Image image(8, 300);
    FakeTable table;
    const uint32_t cb = image.ClusterBytes();

    // Root.
    std::vector<uint8_t> root;
    auto add = [&](const std::vector<uint8_t>& e) { root.insert(root.end(), e.begin(), e.end()); };
    EntryParams label = File("TESTVOL", "", 0, 0, 0x08);
    add(MakeEntry(label));
    add(MakeLongNameEntries(u"Project notes folder", MakeEntry(Folder("PROJEC~1", 10))));
    add(MakeEntry(File("ROOT", "TXT", 12, 100)));
    add(MakeEntry(File("\xE5"
                       "ELETED",
                       "TXT", 13, 5000)));
    add(MakeEntry(Folder("NODOTS", 20)));
    add(MakeEntry(Folder("LOOP", 30)));
    add(MakeEntry(Folder("FAR", 60)));
    add(MakeEntry(Folder("DOTTY", 70)));
    add(MakeEntry(Folder("\xE5"
                         "ARLY",
                         80)));
    add(MakeEntry(Folder("LATE", 80)));
    add(MakeEntry(File("EMPTY", "TXT", 0, 0)));
    image.PutRoot(0, root);
    table.Chain({12});
    table.Chain({13, 14});
    image.Fill(12);

    // Project notes (10 -> 15): a long name whose five entries start two before the end of cluster 10.
    image.Dots(10, 0);
    table.Chain({10, 15});
    std::vector<uint8_t> fillers;
    for (int i = 2; i < 126; ++i) {
        char name[9];
        std::snprintf(name, sizeof name, "F%07d", i);
        auto e = MakeEntry(File(name, "TXT", 0, 0));
        fillers.insert(fillers.end(), e.begin(), e.end());
    }
    image.PutCluster(10, 64, fillers);
    auto straddler =
        MakeLongNameEntries(u"A long name across two reads.txt", MakeEntry(File("ALONGN~1", "TXT", 16, 10)));
    ASSERT_EQ(straddler.size(), 4u * 32);
    image.PutCluster(10, 126 * 32, {straddler.begin(), straddler.begin() + 64});
    image.PutCluster(15, 0, {straddler.begin() + 64, straddler.end()});
    table.Chain({16});
    std::vector<uint8_t> twins = MakeEntry(Folder("SUBA", 40));
    auto b = MakeEntry(Folder("SUBB", 40));
    twins.insert(twins.end(), b.begin(), b.end());
    image.PutCluster(15, 64, twins);
    image.Dots(40, 10);
    table.Chain({40});

    image.PutCluster(20, 0, MakeEntry(File("HIDDEN", "TXT", 21, 10)));
    table.Chain({20});

    // LOOP: 30 -> 31 -> 30; the file in 31 is listed once.
    image.Dots(30, 0);
    image.PutCluster(31, 0, MakeEntry(File("INLOOP", "TXT", 32, 10)));
    table.next[30] = 31;
    table.next[31] = 30;
    table.Chain({32});

    // FAR: 60 -> a cluster past the volume.
    image.Dots(60, 0);
    image.PutCluster(60, 64, MakeEntry(File("NEAR", "TXT", 61, 10)));
    table.next[60] = 5000;
    table.Chain({61});

    // DOTTY: a third "." entry shows the cluster is no directory.
    image.Dots(70, 0);
    EntryParams third = File(".HIDDEN", "", 0, 0, 0x10);
    image.PutCluster(70, 64, MakeEntry(third));
    image.PutCluster(70, 96, MakeEntry(File("AFTER", "TXT", 71, 10)));
    table.Chain({70});

    // A deleted folder and a live one claim cluster 80; the live one wins.
    image.Dots(80, 0);
    image.PutCluster(80, 64, MakeEntry(File("INSIDE", "TXT", 81, 10)));
    table.Chain({80});
    table.Chain({81});

    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr tree(QuickBuildTree(context, nullptr, true));
    ASSERT_TRUE(tree);
    EXPECT_STREQ(tree->GetName(), "TESTVOL");
    auto paths = Paths(tree.get());

    EXPECT_EQ(paths.count("/Project notes folder"), 1u);
    EXPECT_EQ(paths.count("/Project notes folder/A long name across two reads.txt"), 1u);
    EXPECT_EQ(paths.count("/Project notes folder/SUBA"), 1u);
    EXPECT_EQ(paths.count("/Project notes folder/SUBB"), 0u);
    EXPECT_EQ(paths.count("/ROOT.TXT"), 1u);
    ASSERT_EQ(paths.count("/#ELETED.TXT"), 1u);
    EXPECT_EQ(paths["/#ELETED.TXT"]->GetProperties()->GetState(), kFileStateDeleted);
    EXPECT_EQ(paths.count("/EMPTY.TXT"), 1u);
    EXPECT_EQ(paths.count("/NODOTS/HIDDEN.TXT"), 0u);
    EXPECT_EQ(paths.count("/LOOP/INLOOP.TXT"), 1u);
    EXPECT_EQ(paths.count("/FAR/NEAR.TXT"), 1u);
    EXPECT_EQ(paths.count("/DOTTY/AFTER.TXT"), 0u);
    EXPECT_EQ(paths.count("/#ARLY"), 0u);
    ASSERT_EQ(paths.count("/LATE/INSIDE.TXT"), 1u);
    EXPECT_EQ(paths["/LATE/INSIDE.TXT"]->GetProperties()->GetState(), 0);
    EXPECT_EQ(context.GetDirectoryMap().at(80), paths["/LATE"]);

    const auto* straddling = static_cast<CFATFileProperties*>(
        paths["/Project notes folder/A long name across two reads.txt"]->GetProperties());
    EXPECT_EQ(straddling->GetParentCluster(), 10u);
    EXPECT_EQ(straddling->GetFirstCluster(), 16u);
    (void)cb;
}

TEST(CFATBuildContext, IncludeAllOffListsFoldersAndDeletedEntriesOnly)
{
    Fat16Image image(8, 300);
    FakeTable table;
    std::vector<uint8_t> root;
    auto add = [&](const std::vector<uint8_t>& e) { root.insert(root.end(), e.begin(), e.end()); };
    add(MakeEntry(File("LIVE", "TXT", 10, 10)));
    // A passed-over live file's long name must not stick to the entry after it.
    add(MakeLongNameEntries(u"Live file with a long name.txt", MakeEntry(File("LIVEFI~1", "TXT", 14, 99))));
    add(MakeEntry(File("\xE5"
                       "ONE",
                       "TXT", 11, 10)));
    add(MakeEntry(Folder("\xE5"
                         "LDDIR",
                         12)));
    image.PutRoot(0, root);
    image.Dots(12, 0);
    image.PutCluster(12, 64, MakeEntry(File("KEPT", "TXT", 13, 10)));
    table.Chain({10});
    table.Chain({13});
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr tree(QuickBuildTree(context, nullptr, false));
    ASSERT_TRUE(tree);
    auto paths = Paths(tree.get());
    EXPECT_EQ(paths.count("/LIVE.TXT"), 0u);
    ASSERT_EQ(paths.count("/#ONE.TXT"), 1u);
    EXPECT_EQ(paths["/#ONE.TXT"]->GetProperties()->GetSize(), 10u);
    EXPECT_EQ(paths.size(), 3u);
    ASSERT_EQ(paths.count("/#LDDIR/KEPT.TXT"), 1u);
    EXPECT_EQ(paths["/#LDDIR/KEPT.TXT"]->GetProperties()->GetState(), kFileStateDeleted); // below a deleted folder
}

TEST(CFATBuildContext, AFolderThatClaimsItsOwnAncestorsClusterIsDropped)
{
    // Deleted ANC (90) holds deleted SUB (91), which holds a newer deleted entry for cluster 90 again.
    Fat16Image image(8, 300);
    FakeTable table;
    image.PutRoot(0, MakeEntry(Folder("\xE5"
                                      "NC",
                                      90)));
    image.Dots(90, 0);
    image.PutCluster(90, 64,
                     MakeEntry(Folder("\xE5"
                                      "UB",
                                      91)));
    image.Dots(91, 90);
    EntryParams back = Folder("\xE5"
                              "ACK",
                              90);
    back.wrtDate = DosDate(2030, 1, 1);
    image.PutCluster(91, 64, MakeEntry(back));
    table.Chain({90});
    table.Chain({91});
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr tree(QuickBuildTree(context, nullptr, true));
    ASSERT_TRUE(tree);
    auto paths = Paths(tree.get());
    EXPECT_EQ(paths.count("/#NC/#UB"), 1u);
    EXPECT_EQ(paths.count("/#NC/#UB/#ACK"), 0u);
    EXPECT_EQ(paths.size(), 2u);
}

TEST(CFATBuildContext, Fat32RootMustNotBeginWithADotEntry)
{
    Fat16Image image(8, 300);
    FakeTable table;
    image.Dots(5, 0);
    image.PutCluster(5, 64, MakeEntry(File("FILE", "TXT", 6, 10)));
    table.Chain({5});
    table.Chain({6});
    FATVolumeGeometry g = GeometryOf(image);
    g.type = 2;
    g.rootCluster = 5;
    CFATBuildContext context(nullptr, &image.Device(), g, &table);
    TreePtr tree(QuickBuildTree(context, nullptr, true));
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->GetFirstChild(), nullptr);
}

TEST(CFATBuildContext, RecycleBinDataFilesTakeTheirOriginalNames)
{
    Fat16Image image(8, 300);
    FakeTable table;
    image.PutRoot(0, MakeEntry(Folder("RECYCLED", 10)));
    image.Dots(10, 0);
    std::vector<uint8_t> entries = MakeEntry(File("$IAB12CD", "TXT", 11, 200));
    auto data = MakeEntry(File("$RAB12CD", "TXT", 12, 10));
    entries.insert(entries.end(), data.begin(), data.end());
    image.PutCluster(10, 64, entries);
    std::vector<uint8_t> info(200, 0);
    info[0] = 1;
    const std::u16string path = u"C:\\Users\\me\\report final.txt";
    for (size_t i = 0; i < path.size(); ++i) {
        info[24 + 2 * i] = uint8_t(path[i]);
        info[25 + 2 * i] = uint8_t(path[i] >> 8);
    }
    image.PutCluster(11, 0, info);
    table.Chain({10});
    table.Chain({11});
    table.Chain({12});
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr tree(QuickBuildTree(context, nullptr, true));
    ASSERT_TRUE(tree);
    auto paths = Paths(tree.get());
    EXPECT_EQ(paths.count("/RECYCLED/report final.txt"), 1u);
    EXPECT_EQ(paths.count("/RECYCLED/$IAB12CD.TXT"), 1u);
}

TEST(CFATBuildContext, PlaceholderNamesCountOnAcrossBuildsAndThreads)
{
    auto number = [](FATNodePtr node) { return std::stoi(std::string(node->GetProperties()->GetName()).substr(3)); };
    const int first = number(CFATBuildContext::MakePlaceholderDirNode(5, 6));
    EXPECT_EQ(number(CFATBuildContext::MakePlaceholderDirNode(5, 6)), first + 1);

    std::set<int> seen;
    std::mutex lock;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                const int n = number(CFATBuildContext::MakePlaceholderDirNode(kFATNoCluster, kFATNoCluster));
                std::lock_guard<std::mutex> g(lock);
                seen.insert(n);
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(seen.size(), 800u);

    const FATNodePtr lost = CFATBuildContext::MakeLostFoldersNode();
    EXPECT_STREQ(lost->GetProperties()->GetName(), "Lost Folders");
    EXPECT_EQ(lost->GetProperties()->GetState(), 9);
}

TEST(RemoveEmptyDeletedFolders, RemovesDeletedLeavesInOnePass)
{
    auto folder = [](const char* name, uint8_t state) {
        auto* p = new CFATFileProperties();
        p->SetName(name);
        p->SetAttributes(0x10);
        p->SetState(state);
        CFileNode* n = NewFileNode();
        n->SetProperties(p);
        return n;
    };
    CFileSystemNode* root = NewFileSystemNode();
    auto* rootProps = new CFATFileProperties();
    rootProps->SetAttributes(0x10);
    root->SetProperties(rootProps);
    root->AddChild(folder("live empty", 0));
    root->AddChild(folder("deleted empty", 1));
    CFileNode* outer = root->AddChild(folder("deleted outer", 1));
    outer->AddChild(folder("deleted inner", 1));
    RemoveEmptyDeletedFolders(root);
    auto paths = Paths(root);
    EXPECT_EQ(paths.count("/live empty"), 1u);
    EXPECT_EQ(paths.count("/deleted empty"), 0u);
    EXPECT_EQ(paths.count("/deleted outer"), 1u); // emptied by this pass: stays
    EXPECT_EQ(paths.count("/deleted outer/deleted inner"), 0u);
    DeleteFoundTree(root);
}

TEST(CFATBuildContext, WhichOfTwoFoldersOnOneClusterStays)
{
    auto props = [](uint8_t state, uint16_t date) {
        auto p = std::make_unique<CFATFileProperties>();
        p->SetState(state);
        p->SetModificationTime(date, 0);
        return p;
    };
    const uint16_t older = DosDate(2020, 1, 1), newer = DosDate(2021, 1, 1);
    struct Case {
        const char* what;
        uint8_t existing;
        uint16_t existingDate;
        uint8_t candidate;
        uint16_t candidateDate;
        int sign;
    };
    const Case cases[] = {
        {"temporary vs temporary", 9, older, 9, older, 0},
        {"temporary vs live", 9, older, 0, older, -1},
        {"deleted vs temporary", 1, older, 9, older, 1},
        {"deleted vs newer deleted", 1, older, 1, newer, -1},
        {"deleted vs same-time deleted", 1, older, 1, older, 0},
        {"deleted vs older deleted", 1, newer, 1, older, 1},
        {"deleted vs live", 1, older, 0, older, -1},
        {"live vs deleted", 0, older, 1, newer, 1},
        {"live vs live", 0, older, 0, newer, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int r = CFATBuildContext::CompareDuplicateDirectories(*props(c.existing, c.existingDate),
                                                                    *props(c.candidate, c.candidateDate));
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
    }
}

TEST(CFATBuildContext, LostModeStopsAtTheFirstBadEntryAndKeepsMappedNodes)
{
    Fat16Image image(8, 300);
    FakeTable table;
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr partition(context.MakePartitionNode(0));
    CFileNode* placeholder = CFATBuildContext::MakePlaceholderDirNode(40, kFATNoCluster).release();
    context.GetDirectoryMap()[40] = placeholder;
    partition->AddChild(placeholder);

    std::vector<uint8_t> sector;
    auto add = [&](const std::vector<uint8_t>& e) { sector.insert(sector.end(), e.begin(), e.end()); };
    add(MakeEntry(File("\xE5"
                       "IRST",
                       "TXT", 10, 10)));
    add(MakeEntry(Folder("\xE5"
                         "ENAMED",
                         40)));
    add(MakeEntry(File("BAD*NAME", "TXT", 11, 10)));
    add(MakeEntry(File("\xE5"
                       "ATER",
                       "TXT", 12, 10)));
    FATDirectoryQueue queue;
    EXPECT_EQ(context.ProcessDirectoryEntries(sector, partition.get(), queue, true, true), 64);
    auto paths = Paths(partition.get());
    EXPECT_EQ(paths.count("/#IRST.TXT"), 1u);
    EXPECT_EQ(paths.count("/#ATER.TXT"), 0u);
    // The deleted folder entry beats the placeholder: the mapped node stays and takes its name.
    EXPECT_EQ(context.GetDirectoryMap().at(40), placeholder);
    EXPECT_STREQ(placeholder->GetProperties()->GetName(), "#ENAMED");
    EXPECT_TRUE(queue.empty());
}

TEST(CFATBuildContext, CorruptEntriesAndFailedReadsAreCountedAndLoggedWithTheirOffsets)
{
    Fat16Image image(1, 100);
    FakeTable table;
    image.PutRoot(0, MakeEntry(File("\xE5"
                                    "OOD",
                                    "TXT", 5, 100)));
    image.PutRoot(1, MakeEntry(File("BA?D", "TXT", 6, 100)));   // a character no short name may hold
    image.PutRoot(2, MakeEntry(File("FAR", "BIN", 9000, 100))); // first cluster past the volume
    image.PutRoot(3, MakeEntry(Folder("SUB", 10)));
    image.PutRoot(4, MakeEntry(Folder("GONE", 20)));
    image.Dots(10, 0);
    image.PutCluster(10, 64, MakeEntry(File("ST*R", "TXT", 7, 10)));
    table.Chain({10});
    table.Chain({20});
    const uint64_t goneSector = image.DataStart() + 18;
    image.Device().FailSector(goneSector);

    testsupport::LogCapture log;
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr tree(QuickBuildTree(context, nullptr, true));
    ASSERT_TRUE(tree);
    // The sound entries are still found; empty slots are neither read entries nor corrupt ones.
    auto paths = Paths(tree.get());
    EXPECT_EQ(paths.count("/#OOD.TXT"), 1u);
    EXPECT_EQ(paths.count("/SUB"), 1u);
    const bytes::ParseCounters& c = context.GetCounters();
    EXPECT_EQ(c.corruptSkipped, 3u);
    EXPECT_EQ(c.readFailures, 1u);
    EXPECT_EQ(c.recordsRead, 8u); // five in the root, the dot pair and one in SUB

    auto at = [](uint64_t byte) {
        char text[40];
        std::snprintf(text, sizeof text, "at byte 0x%" PRIX64 " skipped", byte);
        return std::string(text);
    };
    const std::string text = log.Text();
    EXPECT_NE(text.find(at(image.RootSector() * 512 + 32) + ": fields out of range"), std::string::npos) << text;
    EXPECT_NE(text.find(at(image.RootSector() * 512 + 64) + ": first cluster outside the data area"), std::string::npos)
        << text;
    EXPECT_NE(text.find(at((image.DataStart() + 8) * 512 + 64)), std::string::npos) << text;
    EXPECT_NE(text.find("FAT directory read failed: 1 sectors at sector " + std::to_string(goneSector)),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("3 corrupt ones skipped, 1 directory reads failed"), std::string::npos) << text;
}

TEST(CFATBuildContext, AWalkNamesWhereItStopped)
{
    // A walk says why it stopped, so that a cancel is never taken for a damaged folder nor a failed read for
    // an empty one.
    Fat16Image image(1, 100);
    FakeTable table;
    image.Dots(10, 0);
    table.Chain({10});
    image.PutCluster(30, 0, MakeEntry(File("PLAIN", "TXT", 31, 10))); // no dot entries: no folder
    table.Chain({30});
    image.Dots(20, 0);
    table.Chain({20});
    image.Device().FailSector(image.DataStart() + 18);
    image.Dots(40, 0);
    table.Chain({40});

    struct CancelAll : IDIRBuildCallback {
        int Begin(const char*, int) override { return 0; }
        int Step(int) override { return 0; }
        int SetPos(int) override { return 0; }
        int Finish() override { return 0; }
        int CheckCancel() override { return -1; }
    } cancel;
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    CFATBuildContext cancelled(&cancel, &image.Device(), GeometryOf(image), &table);
    TreePtr root(context.MakePartitionNode(0));
    TreePtr other(cancelled.MakePartitionNode(0));
    const struct {
        const char* what;
        CFATBuildContext& context;
        uint32_t cluster;
        bytes::ParseStatus status;
    } cases[] = {
        {"a folder whose chain ends", context, 10, bytes::ParseStatus::Ok},
        {"the same cluster a second time (a loop)", context, 10, bytes::ParseStatus::Corrupt},
        {"a cluster that does not begin like a folder", context, 30, bytes::ParseStatus::Corrupt},
        {"a cluster the device cannot read", context, 20, bytes::ParseStatus::IoFailure},
        {"a walk the user cancelled", cancelled, 40, bytes::ParseStatus::Cancelled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FATDirectoryQueue queue;
        CFileNode* under = &c.context == &context ? root.get() : other.get();
        EXPECT_EQ(c.context.WalkClusterChain(under, c.cluster, queue, false, true), c.status);
    }
    EXPECT_FALSE(context.IsCancelled());
    EXPECT_TRUE(cancelled.IsCancelled());

    FATDirectoryQueue queue;
    EXPECT_EQ(context.WalkRootDirectory(root.get(), queue, true), bytes::ParseStatus::Ok);
    FATVolumeGeometry unknown = GeometryOf(image);
    unknown.rootPresent = false;
    CFATBuildContext noRoot(nullptr, &image.Device(), unknown, &table);
    EXPECT_EQ(noRoot.WalkRootDirectory(root.get(), queue, true), bytes::ParseStatus::Corrupt);
    image.Device().FailSector(image.RootSector());
    EXPECT_EQ(context.WalkRootDirectory(root.get(), queue, true), bytes::ParseStatus::IoFailure);
}
