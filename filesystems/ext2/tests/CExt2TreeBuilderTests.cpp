// The tree build on byte-built volumes: names matched to inodes in either order, orphans, the cycle guard,
// the listing filter, partition folder names, properties of inodes and their stream form.
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/ext2/CExt2FileProperties.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2TreeBuilder.h"
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileTree.h"
#include "platform/Clock.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>

using ext2test::Ext2TestImage;
using testsupport::MemoryDevice;

namespace {

struct TreeDeleter {
    void operator()(CFileSystemNode* tree) const { DeleteFoundTree(tree); }
};
using TreePtr = std::unique_ptr<CFileSystemNode, TreeDeleter>;

void CollectPaths(const CFileNode* node, const std::string& prefix, std::set<std::string>& out)
{
    for (const CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        const bool folder = child->GetProperties()->GetAttributes() & kFileAttrDirectory;
        const std::string path = prefix + "/" + child->GetProperties()->GetName();
        out.insert(folder ? path + "/" : path);
        CollectPaths(child, path, out);
    }
}

const CFileNode* Find(const CFileNode* node, const std::string& name)
{
    for (const CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling())
        if (name == child->GetProperties()->GetName()) return child;
    return nullptr;
}

constexpr uint32_t kDeletedAt = 1600001000;

// The inode walk goes by number, so a folder numbered below its parent is met before its parent is read.
Ext2TestImage NamingVolume()
{
    Ext2TestImage image;
    image.AddDirectory(
        2, 2,
        {{30, "docs"}, {13, "a.txt"}, {14, "photo.jpg"}, {60, "sixty"}, {61, "sixty one"}, {63, "d63"}, {64, "d64"}});
    image.AddFile(13, 100);
    image.AddFile(14, 3000);
    image.AddDirectory(25, 30, {{26, "inner.txt"}});
    image.AddFile(26, 10);
    image.AddDirectory(30, 2, {{25, "early folder"}, {40, "notes.txt"}});
    image.AddFile(40, 20);
    image.AddFile(42, 2000, 0, kDeletedAt);                      // named by no one
    image.AddDirectory(50, 2, {{51, "inside.txt"}}, kDeletedAt); // a deleted folder
    image.AddFile(51, 1500, 0, kDeletedAt);
    image.AddDirectory(60, 2, {{70, "first name"}}); // both read before inode 70
    image.AddDirectory(61, 2, {{70, "second name"}});
    image.AddFile(62, 30); // met before both of its folders
    image.AddDirectory(63, 2, {{62, "from 63"}});
    image.AddDirectory(64, 2, {{62, "from 64"}});
    image.AddFile(70, 40);
    image.AddDirectory(80, 2, {{81, "loop"}}); // each holds the other
    image.AddDirectory(81, 80, {{80, "back"}});
    return image;
}

TreePtr Build(const Ext2TestImage& image, int index = 0)
{
    MemoryDevice device(image.Bytes());
    CExt2TreeBuilder builder(index);
    return TreePtr(Ext2BuildDirectoryThread(&builder, &device, nullptr, 2, 0));
}

} // namespace

TEST(Ext2TreeBuilder, PlacesEveryInodeOnceWhateverTheOrder)
{
    const TreePtr tree = Build(NamingVolume());
    ASSERT_TRUE(tree);
    std::set<std::string> paths;
    CollectPaths(tree.get(), "", paths);
    const std::set<std::string> expected{
        "/docs/", "/docs/early folder/", "/docs/early folder/inner.txt", "/docs/notes.txt", "/a.txt", "/photo.jpg",
        // No directory names these: orphans under the partition.
        "/Inode_2a", "/Inode_32/", "/Inode_32/inside.txt",
        // Named by two folders read before the walk met it: the one read last.
        "/sixty/", "/sixty one/", "/sixty one/second name",
        // Met by the walk before either folder: the first folder read.
        "/d63/", "/d63/from 63", "/d64/",
        // A folder whose entry would put it inside itself stays an orphan, with its name and contents.
        "/back/", "/back/loop/"};
    EXPECT_EQ(paths, expected);

    const CFileNode* orphan = Find(tree.get(), "Inode_2a");
    ASSERT_NE(orphan, nullptr);
    EXPECT_EQ(orphan->GetProperties()->GetState(), kFileStateDeleted);
    EXPECT_EQ(orphan->GetProperties()->GetSize(), 2000u);
    const CFileNode* kept = Find(tree.get(), "a.txt");
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->GetProperties()->GetState(), 0);
}

TEST(Ext2TreeBuilder, ListingFilterDropsFilesButKeepsFolders)
{
    const ext2test::ScopedExtensionFilter filter({".jpg"});
    const TreePtr tree = Build(NamingVolume());
    ASSERT_TRUE(tree);
    std::set<std::string> paths;
    CollectPaths(tree.get(), "", paths);
    const std::set<std::string> expected{"/docs/",  "/docs/early folder/", "/photo.jpg", "/Inode_32/",
                                         "/sixty/", "/sixty one/",         "/d63/",      "/d64/",
                                         "/back/",  "/back/loop/"};
    EXPECT_EQ(paths, expected);
}

TEST(Ext2TreeBuilder, PartitionFolder)
{
    Ext2TestImage image;
    image.AddDirectory(2, 2, {});
    {
        const TreePtr tree = Build(image, 2);
        ASSERT_TRUE(tree);
        EXPECT_STREQ(tree->GetProperties()->GetName(), "Ext2 3");
        EXPECT_STREQ(tree->GetName(), "TESTVOL");
        uint64_t first = 99;
        int32_t perCluster = 0;
        ASSERT_TRUE(tree->GetClusterGeometry(first, perCluster));
        EXPECT_EQ(first, 0u);
        EXPECT_EQ(perCluster, 2);
        EXPECT_EQ(tree->GetFileSystemKind(), 4);
    }
    CRecoverySettings* settings = GetRecoverySettings();
    const uint8_t letter = settings->m_selectedDriveLetter;
    const std::string source = settings->m_selectedSourceName;
    const std::string device = settings->m_selectedDeviceName;
    settings->m_selectedDriveLetter = 'E';
    settings->m_selectedSourceName = "DATA";
    settings->m_selectedDeviceName = "sdb1";
    image.SuperBlock().s_journal_inum = 8;
    image.WriteHeaders();
    const TreePtr tree = Build(image);
    settings->m_selectedDriveLetter = letter;
    settings->m_selectedSourceName = source;
    settings->m_selectedDeviceName = device;
    ASSERT_TRUE(tree);
    EXPECT_STREQ(tree->GetProperties()->GetName(), "sdb1 (DATA - Ext3 1)");
    EXPECT_EQ(tree->GetFileSystemKind(), 5);
}

TEST(Ext2TreeBuilder, NoFileSystemGivesNoTree)
{
    MemoryDevice blank(4096);
    bytes::ParseResult result;
    EXPECT_EQ(BuildEXT2(&blank, nullptr, &result), nullptr);
    EXPECT_EQ(result.status, bytes::ParseStatus::Corrupt);
    EXPECT_EQ(BuildEXT2(nullptr, nullptr, &result), nullptr);
    EXPECT_EQ(result.status, bytes::ParseStatus::IoFailure);
}

TEST(Ext2TreeBuilder, UsedBlocksOfFoundFiles)
{
    Ext2TestImage image;
    const Ext2TestImage::Inode root = image.AddDirectory(2, 2, {{12, "f"}});
    const Ext2TestImage::Inode file = image.AddFile(12, 14 * 1024);
    MemoryDevice device(image.Bytes());
    CExt2FileSystem fs(&device, 2);
    CExt2TreeBuilder builder;
    const TreePtr tree(Ext2BuildDirectoryTreeThread(&builder, &fs, nullptr));
    ASSERT_TRUE(tree);
    const std::vector<bool>& used = builder.GetUsedBlocks();
    ASSERT_EQ(used.size(), 2048u);
    EXPECT_TRUE(used[file.block[0]] && used[file.block[11]]);
    EXPECT_FALSE(used[root.block[0]]);                     // folders have no runs
    EXPECT_FALSE(used[file.block[ext2::kSingleIndirect]]); // nor are map blocks data
    EXPECT_EQ(std::count(used.begin(), used.end(), true), 14);
}

TEST(Ext2FileProperties, FromAnInode)
{
    Ext2TestImage image;
    Ext2TestImage::Inode sparse;
    sparse.size = 10 * 1024;
    sparse.units = 2;
    sparse.block[1] = image.AllocBlock();
    sparse.mtime = 1600000000;
    sparse.atime = 1600000500;
    sparse.ctime = 0x80000000; // before 1970 as a signed value
    sparse.dtime = kDeletedAt;
    image.SetInode(20, sparse);
    image.AddDirectory(21, 2, {});
    MemoryDevice device(image.Bytes());
    CExt2FileSystem fs(&device, 2);

    std::unique_ptr<CExt2FileProperties> p(CExt2TreeBuilder::MakeProperties(CExt2Inode(&fs, 20), nullptr));
    EXPECT_EQ(p->GetSize(), 10u * 1024);
    EXPECT_EQ(p->GetAttributes(), kFileAttrSparse);
    EXPECT_EQ(p->GetState(), kFileStateDeleted);
    EXPECT_EQ(p->GetInodeNumber(), 20u);
    EXPECT_EQ(p->GetModificationTime(), plat::FileTimeToLocalFileTime(plat::FileTimeFromUnix(1600000000)));
    EXPECT_EQ(p->GetAccessTime(), plat::FileTimeToLocalFileTime(plat::FileTimeFromUnix(1600000500)));
    EXPECT_EQ(p->GetCreationTime(), plat::FileTimeToLocalFileTime(plat::FileTimeFromUnix(0)));
    std::unique_ptr<IDataRunList> runs(p->GetDataRunList());
    ASSERT_TRUE(runs);
    EXPECT_EQ(std::vector<DataRun>(runs->GetRuns().begin(), runs->GetRuns().end()),
              (std::vector<DataRun>{{kSparseCluster, 1}, {int64_t(sparse.block[1]), 1}, {kSparseCluster, 8}}));

    std::unique_ptr<CExt2FileProperties> folder(CExt2TreeBuilder::MakeProperties(CExt2Inode(&fs, 21), nullptr));
    EXPECT_EQ(folder->GetAttributes(), kFileAttrDirectory);
    EXPECT_EQ(folder->GetDataRunList(), nullptr);
    EXPECT_EQ(folder->GetState(), 0);
}

TEST(Ext2FileProperties, PendingNames)
{
    CExt2FileProperties folder;
    folder.AddPendingName(30, "thirty");
    folder.AddPendingName(31, "thirty-one");
    folder.AddPendingName(30, "renamed");
    EXPECT_EQ(folder.TakePendingName(30), "renamed");
    EXPECT_EQ(folder.TakePendingName(30), "");
    EXPECT_EQ(folder.TakePendingName(31), "thirty-one");
    EXPECT_EQ(folder.TakePendingName(99), "");
}

TEST(Ext2FileProperties, StreamFormRoundTrip)
{
    CExt2FileProperties p;
    p.SetName("report.doc");
    p.SetSize(123456);
    p.SetAttributes(kFileAttrSparse);
    p.SetTimes(1, 2, 3);
    p.SetState(kFileStateDeleted);
    p.SetCheckState(kCheckAll);
    p.SetUserFlag(1);
    p.SetInodeNumber(77);
    CExt2DataRunList runs;
    runs.AddRun({500, 3});
    runs.AddRun({kSparseCluster, 10});
    runs.AddRun({900, 1});
    p.SetRunList(&runs);

    testsupport::MemoryRSData stream = testsupport::MemoryRSData::Writer();
    p.Write(&stream);
    const std::vector<uint8_t> bytes = stream.SectionBytes();
    // Saved states are read back by later versions: these bytes stay exactly as they are.
    EXPECT_EQ(testsupport::HexOf(bytes),
              "0a007265706f72742e646f6340e2010000000000000201000000000000000200000000000000030000000000"
              "000001010000000b0000002103f401010a21019001000000");
    // Name length and name, size, attributes, three times, state, the runs flag, then the packed runs.
    ASSERT_GT(bytes.size(), 2u + 10 + 8 + 2 + 24 + 1 + 4);
    EXPECT_EQ(bytes[0], 10);
    EXPECT_EQ(bytes[2 + 10 + 8 + 2 + 24], kFileStateDeleted);
    EXPECT_EQ(bytes[2 + 10 + 8 + 2 + 24 + 1], 1);

    testsupport::MemoryRSData reader = testsupport::MemoryRSData::Reader(bytes);
    CExt2FileProperties back;
    back.SetCheckState(kCheckPartial);
    back.Read(&reader);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_STREQ(back.GetName(), "report.doc");
    EXPECT_EQ(back.GetSize(), 123456u);
    EXPECT_EQ(back.GetAttributes(), kFileAttrSparse);
    EXPECT_EQ(back.GetCreationTime(), 1u);
    EXPECT_EQ(back.GetModificationTime(), 2u);
    EXPECT_EQ(back.GetAccessTime(), 3u);
    EXPECT_EQ(back.GetState(), kFileStateDeleted);
    EXPECT_EQ(back.GetCheckState(), 0);
    EXPECT_EQ(back.GetUserFlag(), 0);
    EXPECT_EQ(back.GetPropertiesType(), kPropertiesExt2);
    std::unique_ptr<IDataRunList> list(back.GetDataRunList());
    ASSERT_TRUE(list);
    EXPECT_EQ(std::vector<DataRun>(list->GetRuns().begin(), list->GetRuns().end()),
              (std::vector<DataRun>{{500, 3}, {kSparseCluster, 10}, {900, 1}}));

    // Without runs the form ends with a 4-byte 0; a name longer than the limit is refused.
    CExt2FileProperties plain;
    testsupport::MemoryRSData empty = testsupport::MemoryRSData::Writer();
    plain.Write(&empty);
    EXPECT_EQ(empty.SectionBytes().size(), 2u + 8 + 2 + 24 + 1 + 4);
    std::vector<uint8_t> tooLong = empty.SectionBytes();
    tooLong[0] = 0x01;
    tooLong[1] = 0x04; // 1025
    testsupport::MemoryRSData bad = testsupport::MemoryRSData::Reader(tooLong);
    try {
        CExt2FileProperties().Read(&bad);
        ADD_FAILURE() << "long name accepted";
    } catch (const CRSException& e) {
        EXPECT_EQ(e.GetCode(), RS_ERROR_BAD_LENGTH);
    }
    EXPECT_EQ(std::unique_ptr<CExt2FileProperties>(NewExt2FileProperties())->GetPropertiesType(), kPropertiesExt2);
}

TEST(Ext2TreeBuilder, TheCallingThreadPumpsWhileTheWorkerBuilds)
{
    const Ext2TestImage image = NamingVolume();
    MemoryDevice device(image.Bytes());
    std::thread::id reader;
    device.SetReadHook([&](uint64_t, uint64_t) {
        reader = std::this_thread::get_id();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    int pumps = 0;
    bool onCaller = true;
    const std::thread::id caller = std::this_thread::get_id();
    bytes::ParseResult result;
    result.status = bytes::ParseStatus::Cancelled;
    const TreePtr tree(BuildEXT2(&device, nullptr, &result, [&] {
        ++pumps;
        onCaller = onCaller && std::this_thread::get_id() == caller;
    }));
    ASSERT_TRUE(tree);
    EXPECT_EQ(result.status, bytes::ParseStatus::Ok);
    EXPECT_GT(pumps, 0);
    EXPECT_TRUE(onCaller);
    EXPECT_NE(reader, caller);
}
