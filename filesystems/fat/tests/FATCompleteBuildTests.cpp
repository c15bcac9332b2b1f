// The complete FAT build over a scan's directory sectors: a partition known only from its directories (no
// root: root-area entries, mapped folders, orphans under "Lost Folders", lost directory clusters), and the
// repair of a deleted folder whose first cluster lost its high word.
#include "filesystems/fat/FATCompleteBuild.h"

#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/fat/tests/FATImageBuilder.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

using namespace fattest;

namespace {

CFileNode* Child(CFileNode* parent, const char* name)
{
    for (CFileNode* c = parent->GetFirstChild(); c; c = c->GetNextSibling())
        if (std::strcmp(c->GetProperties()->GetName(), name) == 0) return c;
    return nullptr;
}

// Names of the children, in order (the newest child first), joined by spaces; placeholder folders ("DIR<n>") as "DIR".
std::string Names(CFileNode* parent)
{
    std::string out;
    for (CFileNode* c = parent->GetFirstChild(); c; c = c->GetNextSibling()) {
        std::string name = c->GetProperties()->GetName();
        if (name.rfind("DIR", 0) == 0 && name.size() > 3 && std::isdigit(static_cast<unsigned char>(name[3])))
            name = "DIR";
        out += (out.empty() ? "" : " ") + name;
    }
    return out;
}

CFileNode* Folder(const char* name, uint32_t cluster, uint8_t state)
{
    auto* p = new CFATFileProperties();
    p->SetName(name);
    p->SetAttributes(0x10);
    p->SetState(state);
    p->SetFirstCluster(cluster);
    CFileNode* node = NewFileNode();
    node->SetProperties(p);
    return node;
}

} // namespace

TEST(FATCompleteBuild, APartitionKnownOnlyFromItsDirectories)
{
    Fat16Image image;
    image.PutRoot(0, MakeEntry(File("ROOT", "TXT", 12, 100)));
    image.PutRoot(1, MakeEntry(Folder("DOCS", 5)));
    image.Dots(5, 0);
    image.PutCluster(5, 64, MakeEntry(File("A", "TXT", 9, 10)));
    image.Dots(6, 77); // its parent cluster is nowhere: the folder is lost
    image.PutCluster(6, 64, MakeEntry(File("B", "TXT", 10, 10)));
    // A later cluster of some folder whose first cluster is gone: entries without the dot pair.
    image.PutCluster(7, 0, MakeEntry(File("C", "TXT", 11, 10)));
    std::memset(image.Device().Sector(0), 0, 512); // no boot sector

    CFATSearchController scan;
    scan.SetDevice(&image.Device());
    scan.BeginSearch();
    CIntelligentSearchStatistics statistics;
    scan.AnalyzeBlock(0, image.Device().GetSectorCount(), &statistics);
    EXPECT_EQ(statistics.FATFolders, 2);
    EXPECT_GE(statistics.FATFolderParts, 2); // the root sector and cluster 7

    CFATSearchedPartitionInfo partition;
    partition.nFileSystemKind = kFsKindFat16;
    partition.bySectorsPerCluster = image.SectorsPerCluster();
    partition.u64DataAreaStartSector = image.DataStart();
    partition.u64SectorsCount = image.Device().GetSectorCount() + 1000; // past the device: held to it
    partition.SetReservedSectors(1);
    partition.SetSectorsPerFAT(Fat16Image::kSectorsPerFAT);
    partition.SetRoot(Fat16Image::kRootSectors);
    partition.AddFlags(kFATFlagFromFolders);
    CFileSystemNode* tree = scan.BuildDirectoryTree(&partition, &image.Device(), 0, nullptr);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(Names(tree), "Lost Folders DOCS ROOT.TXT");
    ASSERT_NE(Child(tree, "DOCS"), nullptr);
    EXPECT_EQ(Names(Child(tree, "DOCS")), "A.TXT");
    CFileNode* lost = Child(tree, "Lost Folders");
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(Names(lost), "DIR DIR");
    EXPECT_EQ(Names(lost->GetFirstChild()) + "|" + Names(lost->GetFirstChild()->GetNextSibling()), "C.TXT|B.TXT");
    DeleteFoundTree(tree);

    // The set stays with the scanner: the same partition builds again.
    tree = scan.BuildDirectoryTree(&partition, &image.Device(), 0, nullptr);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(Names(tree), "Lost Folders DOCS ROOT.TXT");
    DeleteFoundTree(tree);
}

// A cancel, a partition the build cannot use and a tree that lacks the folders of failed reads are told apart by
// the build's result, not by the tree alone.
TEST(FATCompleteBuild, TheResultTellsCancelFailureAndPartialTreeApart)
{
    using bytes::ParseStatus;
    // Answers -1 once the flag is set.
    struct Cancelling : IDIRBuildCallback {
        const bool* cancel = nullptr;
        int Answer() const { return *cancel ? -1 : 0; }
        int Begin(const char*, int) override { return Answer(); }
        int Step(int) override { return Answer(); }
        int SetPos(int) override { return Answer(); }
        int Finish() override { return Answer(); }
        int CheckCancel() override { return Answer(); }
    };
    Fat16Image image;
    image.PutRoot(0, MakeEntry(Folder("DOCS", 5)));
    image.Dots(5, 0);
    image.PutCluster(5, 64, MakeEntry(File("A", "TXT", 9, 10)));
    image.Dots(6, 5);
    image.PutCluster(6, 64, MakeEntry(File("B", "TXT", 10, 10)));
    std::memset(image.Device().Sector(0), 0, 512);
    CFATSearchController scan;
    scan.SetDevice(&image.Device());
    scan.BeginSearch();
    CIntelligentSearchStatistics statistics;
    scan.AnalyzeBlock(0, image.Device().GetSectorCount(), &statistics);
    CFATSearchedPartitionInfo partition;
    partition.nFileSystemKind = kFsKindFat16;
    partition.bySectorsPerCluster = image.SectorsPerCluster();
    partition.u64DataAreaStartSector = image.DataStart();
    partition.u64SectorsCount = image.Device().GetSectorCount();
    partition.SetReservedSectors(1);
    partition.SetSectorsPerFAT(Fat16Image::kSectorsPerFAT);
    partition.SetRoot(Fat16Image::kRootSectors);
    partition.AddFlags(kFATFlagFromFolders);
    CFATSearchedPartitionInfo unusable = partition;
    unusable.bySectorsPerCluster = 0;

    enum class Cancel { Never, AtOnce, AfterTheFailedRead };
    struct Case {
        const char* name;
        CFATSearchedPartitionInfo* partition;
        bool device;
        bool failFolder;
        Cancel cancel;
        bool tree;
        ParseStatus status;
    };
    const Case cases[] = {
        {"every folder read", &partition, true, false, Cancel::Never, true, ParseStatus::Ok},
        {"a folder unreadable", &partition, true, true, Cancel::Never, true, ParseStatus::IoFailure},
        {"cancelled", &partition, true, false, Cancel::AtOnce, false, ParseStatus::Cancelled},
        {"cancelled after a folder was unreadable", &partition, true, true, Cancel::AfterTheFailedRead, false,
         ParseStatus::Cancelled},
        {"no cluster size", &unusable, true, false, Cancel::Never, false, ParseStatus::Corrupt},
        {"no device", &partition, false, false, Cancel::Never, false, ParseStatus::IoFailure},
    };
    // The first sector of cluster 6, the second folder.
    const uint64_t folderSector = image.DataStart() + 4ull * image.SectorsPerCluster();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool cancel = c.cancel == Cancel::AtOnce;
        image.Device().ClearFailures();
        image.Device().SetReadHook([&](uint64_t first, uint64_t count) {
            if (c.cancel == Cancel::AfterTheFailedRead && first <= folderSector && folderSector < first + count)
                cancel = true;
        });
        if (c.failFolder) image.Device().FailSectors(folderSector, 1);
        Cancelling cancelling;
        cancelling.cancel = &cancel;
        bytes::ParseResult result;
        CFileSystemNode* tree = FATCompleteBuildThread(&cancelling, scan.GetDirSectors(), c.partition, nullptr,
                                                       c.device ? &image.Device() : nullptr, 0, &result);
        EXPECT_EQ(tree != nullptr, c.tree);
        EXPECT_EQ(result.status, c.status) << bytes::ParseStatusName(result.status);
        EXPECT_EQ(result.counters.readFailures != 0, c.failFolder) << result.counters.readFailures;
        DeleteFoundTree(tree);
    }
}

TEST(FATCompleteBuild, FoldersNamingEachOtherAsParentEndUnderLostFolders)
{
    Fat16Image image;
    image.Dots(8, 9);
    image.PutCluster(8, 64, MakeEntry(File("X", "TXT", 20, 10)));
    image.Dots(9, 8);
    image.PutCluster(9, 64, MakeEntry(File("Y", "TXT", 21, 10)));
    CFATSearchController scan;
    scan.SetDevice(&image.Device());
    scan.BeginSearch();
    CIntelligentSearchStatistics statistics;
    scan.AnalyzeBlock(0, image.Device().GetSectorCount(), &statistics);
    CFATSearchedPartitionInfo partition;
    partition.nFileSystemKind = kFsKindFat16;
    partition.bySectorsPerCluster = image.SectorsPerCluster();
    partition.u64DataAreaStartSector = image.DataStart();
    partition.u64SectorsCount = image.Device().GetSectorCount();
    partition.AddFlags(kFATFlagFromFolders);
    // Hanging each below the other would make a loop that no walk of the tree leaves.
    CFileSystemNode* tree = scan.BuildDirectoryTree(&partition, &image.Device(), 0, nullptr);
    ASSERT_NE(tree, nullptr);
    CFileNode* lost = Child(tree, "Lost Folders");
    ASSERT_NE(lost, nullptr);
    ASSERT_EQ(Names(lost), "DIR");
    CFileNode* outer = lost->GetFirstChild();
    EXPECT_EQ(Names(outer), "DIR Y.TXT");
    EXPECT_EQ(Names(outer->GetFirstChild()), "X.TXT");
    DeleteFoundTree(tree);
}

TEST(FATCompleteBuild, ADeletedFolderThatLostItsHighWordTakesOverThePlaceholder)
{
    CFileNode* parent = Folder("PARENT", 3, 0);
    CFileNode* deleted = parent->AddChild(Folder("OLDDIR", 0x0005, kFileStateDeleted));
    CFileNode* other = parent->AddChild(Folder("OTHER", 0x0006, kFileStateDeleted));
    CFileNode* placeholder = parent->AddChild(Folder("DIR1", 0x00010005, kFileStateDeleted | kFileStateTemporary));
    placeholder->AddChild(Folder("INNER", 40, 0));

    FixPlaceholderDirectories(parent);
    const auto* taken = static_cast<const CFATFileProperties*>(placeholder->GetProperties());
    EXPECT_STREQ(taken->GetName(), "OLDDIR");
    EXPECT_EQ(taken->GetFirstCluster(), 0x00010005u);
    EXPECT_EQ(Names(placeholder), "INNER");
    EXPECT_STREQ(deleted->GetProperties()->GetName(), "DIR1"); // the emptied node, left for the pruning
    EXPECT_STREQ(other->GetProperties()->GetName(), "OTHER");
    DeleteTreeNodesAndProperties(parent);
}

namespace {

std::vector<uint8_t> Entries(std::initializer_list<std::vector<uint8_t>> parts)
{
    std::vector<uint8_t> out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Short files FILLnnnn.TXT in slots [from, to) of a cluster of 16 entries.
void Fillers(Fat16Image& image, uint32_t cluster, uint32_t from, uint32_t to, bool deleted = false)
{
    for (uint32_t i = from; i < to; ++i) {
        char name[9];
        std::snprintf(name, sizeof name, "%sILL%04u", deleted ? "\xE5" : "F", cluster * 100 + i);
        image.PutCluster(cluster, i * 32, MakeEntry(File(name, "TXT", 200 + i, 10)));
    }
}

std::vector<uint8_t> Deleted(std::vector<uint8_t> entries)
{
    for (size_t at = 0; at < entries.size(); at += 32) entries[at] = 0xE5;
    return entries;
}

} // namespace

// A quick format leaves no FAT: a folder's clusters are known only from the scan. One that filled its cluster
// goes on in the next one on the disk when that one holds directory entries, so a long name crossing the
// cluster end comes back whole and the files there stay in their folder; a folder named only in a lost cluster
// of its parent moves there from "Lost Folders".
TEST(FATCompleteBuild, FoldersGoOnInTheNextClusterWhenTheFATIsGone)
{
    Fat16Image image(1, 300); // 512-byte clusters of 16 entries
    std::memset(image.Device().Sector(0), 0, 512);
    image.PutRoot(0, Entries({MakeEntry(Folder("DOCS", 5)), MakeEntry(Folder("HALF", 20)),
                              MakeEntry(Folder("OTHER", 30)), MakeEntry(Folder("GONE", 60))}));

    // DOCS: 5 then 6. A name of four pieces starts three slots before the end of cluster 5.
    image.Dots(5, 0);
    Fillers(image, 5, 2, 13);
    const auto across = MakeLongNameEntries(u"A long name that goes on in the next cluster.txt",
                                            MakeEntry(File("ALONGN~1", "TXT", 150, 10)));
    ASSERT_EQ(across.size(), 5u * 32);
    image.PutCluster(5, 13 * 32, {across.begin(), across.begin() + 96});
    image.PutCluster(6, 0, {across.begin() + 96, across.end()});
    image.PutCluster(6, 64, Deleted(MakeLongNameEntries(u"Old reports", MakeEntry(Folder("OLDREP~1", 8)))));
    // The deleted folder: 8 then 9, its entries deleted too.
    image.Dots(8, 5);
    Fillers(image, 8, 2, 16, true);
    image.PutCluster(9, 0,
                     MakeEntry(File("\xE5"
                                    "ATE",
                                    "TXT", 160, 10)));

    // HALF ends inside its cluster (an end marker follows its file): cluster 21 is not its.
    image.Dots(20, 0);
    image.PutCluster(20, 64, MakeEntry(File("MINE", "TXT", 170, 10)));
    image.PutCluster(21, 0, MakeEntry(File("STRAY", "TXT", 171, 10)));

    // OTHER is full and cluster 31 holds entries, but the piece at its end belongs to another short entry.
    image.Dots(30, 0);
    Fillers(image, 30, 2, 15);
    auto foreign = MakeLongNameEntries(u"Some other name", MakeEntry(File("SOMEOT~1", "", 0, 0)));
    image.PutCluster(30, 15 * 32, {foreign.begin(), foreign.begin() + 32});
    image.PutCluster(31, 0, MakeLongNameEntries(u"Own name.txt", MakeEntry(File("OWNNAM~1", "TXT", 175, 10))));

    // GONE was deleted whole (every entry deleted): the live entries of cluster 61 are another folder's.
    image.Dots(60, 0);
    Fillers(image, 60, 2, 16, true);
    image.PutCluster(61, 0, MakeEntry(File("LIVE", "TXT", 185, 10)));

    // A folder whose parent's first cluster is gone, named in a later cluster of that parent.
    image.Dots(40, 45);
    image.PutCluster(40, 64, MakeEntry(File("CHILD", "TXT", 180, 10)));
    image.PutCluster(50, 0, Deleted(MakeLongNameEntries(u"Named child", MakeEntry(Folder("NAMEDC~1", 40)))));

    CFATSearchController scan;
    scan.SetDevice(&image.Device());
    scan.BeginSearch();
    scan.AnalyzeBlock(0, image.Device().GetSectorCount(), nullptr);
    CFATSearchedPartitionInfo partition;
    partition.nFileSystemKind = kFsKindFat16;
    partition.bySectorsPerCluster = image.SectorsPerCluster();
    partition.u64DataAreaStartSector = image.DataStart();
    partition.u64SectorsCount = image.Device().GetSectorCount();
    partition.SetReservedSectors(1);
    partition.SetSectorsPerFAT(Fat16Image::kSectorsPerFAT);
    partition.AddFlags(kFATFlagFromFolders);
    CFileSystemNode* tree = scan.BuildDirectoryTree(&partition, &image.Device(), 0, nullptr);
    ASSERT_NE(tree, nullptr);

    CFileNode* docs = Child(tree, "DOCS");
    ASSERT_NE(docs, nullptr);
    EXPECT_NE(Child(docs, "A long name that goes on in the next cluster.txt"), nullptr) << Names(docs);
    CFileNode* old = Child(docs, "Old reports");
    ASSERT_NE(old, nullptr) << Names(docs);
    EXPECT_NE(Child(old, "#ATE.TXT"), nullptr) << Names(old);
    EXPECT_NE(Child(old, "#ILL0802.TXT"), nullptr) << Names(old);

    ASSERT_NE(Child(tree, "HALF"), nullptr);
    EXPECT_EQ(Names(Child(tree, "HALF")), "MINE.TXT");
    ASSERT_NE(Child(tree, "OTHER"), nullptr);
    EXPECT_NE(Child(Child(tree, "OTHER"), "Own name.txt"), nullptr) << Names(Child(tree, "OTHER"));

    ASSERT_NE(Child(tree, "GONE"), nullptr) << Names(tree);
    EXPECT_EQ(Child(Child(tree, "GONE"), "LIVE.TXT"), nullptr);

    // Lost Folders: the stray clusters 21 and 61, and the lost cluster 50 holding the named child.
    CFileNode* lost = Child(tree, "Lost Folders");
    ASSERT_NE(lost, nullptr);
    EXPECT_EQ(Names(lost), "DIR DIR DIR");
    std::string lostContents;
    for (CFileNode* f = lost->GetFirstChild(); f; f = f->GetNextSibling()) lostContents += "[" + Names(f) + "]";
    EXPECT_NE(lostContents.find("[STRAY.TXT]"), std::string::npos) << lostContents;
    EXPECT_NE(lostContents.find("[LIVE.TXT]"), std::string::npos) << lostContents;
    EXPECT_NE(lostContents.find("[Named child]"), std::string::npos) << lostContents;
    DeleteFoundTree(tree);
}
