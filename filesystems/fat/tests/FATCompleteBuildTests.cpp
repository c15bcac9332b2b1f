// The complete FAT build over a scan's directory sectors: a partition known only from its directories (no
// root: root-area entries, mapped folders, orphans under "Lost Folders", lost directory clusters), and the
// repair of a deleted folder whose first cluster lost its high word.
#include "filesystems/fat/FATCompleteBuild.h"

#include "filesystems/common/CIntelligentSearchStatistics.h"
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
