// Inode sizes and tests, block maps through every indirection level, the directory cursor on sound and
// damaged directories, the inode walk, and the runs made from block maps (sparse files included).
#include "filesystems/ext2/CExt2BlockIterator.h"
#include "filesystems/ext2/CExt2DirEntry.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2Inode.h"
#include "filesystems/ext2/CExt2InodeIterator.h"
#include "filesystems/ext2/CExt2TreeBuilder.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "filesystems/tree/IDataRunList.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using ext2test::Ext2TestImage;
using testsupport::MemoryDevice;

namespace {

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// An inode record with the given fields, on the file system fs.
CExt2Inode MakeInode(CExt2FileSystem* fs, uint32_t number, const Ext2TestImage::Inode& fields)
{
    uint8_t record[ext2::kInodeRecordSize] = {};
    record[0] = uint8_t(fields.mode);
    record[1] = uint8_t(fields.mode >> 8);
    Put32(record + ext2::kInodeSizeLow, uint32_t(fields.size));
    Put32(record + ext2::kInodeSizeHigh, uint32_t(fields.size >> 32));
    Put32(record + ext2::kInodeDeletionTime, fields.dtime);
    Put32(record + ext2::kInodeUnits, fields.units);
    for (size_t i = 0; i < fields.block.size(); ++i) Put32(record + ext2::kInodeBlocks + 4 * i, fields.block[i]);
    CExt2Inode inode;
    inode.Assign(fs, number, record);
    return inode;
}

std::vector<DataRun> Runs(const CExt2Inode& inode, std::vector<bool>* bitmap = nullptr)
{
    std::unique_ptr<IDataRunList> list(CExt2TreeBuilder::BuildRuns(inode, bitmap));
    return {list->GetRuns().begin(), list->GetRuns().end()};
}

std::vector<std::string> Names(const CExt2Inode& directory)
{
    std::vector<std::string> names;
    for (CExt2DirEntry cursor(directory, 0); !cursor.AtEnd(); cursor.Next()) {
        const CExt2Inode entry = cursor.MakeInode();
        names.emplace_back(entry.GetName(), entry.GetNameLength());
    }
    return names;
}

// An image with a plain file system and room for hand-made blocks.
struct Volume {
    Ext2TestImage image;
    std::unique_ptr<MemoryDevice> device;
    std::unique_ptr<CExt2FileSystem> fs;

    void Open()
    {
        device = std::make_unique<MemoryDevice>(image.Bytes());
        fs = std::make_unique<CExt2FileSystem>(device.get(), 2);
    }
};

} // namespace

TEST(Ext2Inode, SizesAndTests)
{
    Volume v;
    v.Open();
    CExt2FileSystem* fs = v.fs.get();

    Ext2TestImage::Inode none;
    none.mode = 0;
    none.block[0] = 100;
    EXPECT_FALSE(MakeInode(fs, 20, none).IsUsable());

    // 5000 bytes on 1 KiB blocks: pointers 0 to 3 are checked, pointer 4 is not.
    Ext2TestImage::Inode file;
    file.size = 5000;
    file.units = 10;
    file.block = {100, 101, 102, 103, 999999};
    EXPECT_TRUE(MakeInode(fs, 20, file).IsUsable());
    file.block[3] = 2048; // the blocks count: outside
    EXPECT_FALSE(MakeInode(fs, 20, file).IsUsable());

    Ext2TestImage::Inode big;
    big.size = uint64_t(1) << 32;
    big.units = 8;
    const CExt2Inode regular = MakeInode(fs, 20, big);
    EXPECT_EQ(regular.GetSize(), uint64_t(1) << 32);
    big.mode = 0x41ED;
    const CExt2Inode folder = MakeInode(fs, 20, big);
    EXPECT_EQ(folder.GetSize(), 0u);
    EXPECT_EQ(folder.GetDataSize(), 8u * 512);
    EXPECT_TRUE(folder.IsDirectory());

    struct Case {
        uint64_t size;
        uint32_t units;
        bool sparse;
        uint32_t blockCount;
    };
    const Case cases[] = {
        {1 << 20, 2 * 1024, false, 1024},                  // fully allocated
        {1 << 20, 2 * 1024 + 6, false, 1027},              // indirect blocks counted
        {1 << 20, 4, true, 1024},                          // holes
        {uint64_t(1) << 41, 0xFFFFFFFF, true, 1u << 31},   // size / 512 reaches 2^32
        {uint64_t(1) << 50, 0xFFFFFFFF, true, 0xFFFFFFFF}, // more blocks than 32 bits count
    };
    for (const Case& c : cases) {
        Ext2TestImage::Inode f;
        f.size = c.size;
        f.units = c.units;
        const CExt2Inode inode = MakeInode(fs, 20, f);
        EXPECT_EQ(inode.IsSparse(), c.sparse) << c.size << " " << c.units;
        EXPECT_EQ(inode.GetBlockCount(), c.blockCount) << c.size << " " << c.units;
    }
}

TEST(Ext2Inode, MapsBlocksThroughEveryIndirection)
{
    Volume v;
    Ext2TestImage& image = v.image;
    const uint32_t single = image.AllocBlock();
    const uint32_t dbl = image.AllocBlock(), dbl0 = image.AllocBlock(), dbl255 = image.AllocBlock();
    const uint32_t tri = image.AllocBlock(), tri0 = image.AllocBlock(), tri00 = image.AllocBlock();
    Put32(image.Block(single), 500);
    Put32(image.Block(single) + 4 * 255, 501);
    Put32(image.Block(dbl), dbl0);
    Put32(image.Block(dbl) + 4 * 255, dbl255);
    Put32(image.Block(dbl0), 600);
    Put32(image.Block(dbl255) + 4 * 255, 601);
    Put32(image.Block(tri), tri0);
    Put32(image.Block(tri0), tri00);
    Put32(image.Block(tri00), 700);
    Put32(image.Block(tri00) + 4, 5000); // outside the file system
    v.Open();

    Ext2TestImage::Inode fields;
    fields.size = uint64_t(1) << 40;
    fields.units = 64;
    fields.block[11] = 411;
    fields.block[12] = single;
    fields.block[13] = dbl;
    fields.block[14] = tri;
    const CExt2Inode inode = MakeInode(v.fs.get(), 20, fields);
    // With a = 256 pointers per block.
    const struct {
        uint32_t index;
        uint32_t block;
    } cases[] = {
        {11, 411},    // last direct
        {12, 500},    // first single-indirect
        {267, 501},   // last single-indirect
        {268, 600},   // first double-indirect
        {65803, 601}, // last double-indirect
        {65804, 700}, // first triple-indirect
        {65805, 0},   // a pointer outside the file system maps to none
        {269, 0},     // a zero entry
        {12 + 256 + 65536 + 16777216 - 1, 0},
    };
    for (const auto& c : cases) {
        CExt2BlockIterator it(inode, c.index);
        EXPECT_EQ(it.MapBlock(), c.block) << c.index;
    }
    EXPECT_EQ(CExt2BlockIterator::MappableBlocks(1024), 12u + 256 + 65536 + 16777216);

    // An unreadable indirect block maps to nothing rather than failing.
    v.device->FailSector(uint64_t(single) * 2);
    CExt2BlockIterator failing(inode, 12);
    EXPECT_EQ(failing.MapBlock(), 0u);
}

TEST(Ext2Inode, ReadBlockCutsTheLastBlock)
{
    Volume v;
    const Ext2TestImage::Inode fields = v.image.AddFile(20, 2500);
    v.Open();
    const CExt2Inode inode(v.fs.get(), 20);
    CExt2BlockIterator it = inode.BlocksBegin();
    std::vector<uint32_t> lengths;
    for (; it.GetIndex() < 4; it.Next()) lengths.push_back(it.ReadBlock().validLength);
    EXPECT_EQ(lengths, (std::vector<uint32_t>{1024, 1024, 452, 0}));
    CExt2BlockIterator third(inode, 2);
    const CExt2BlockIterator::Block block = third.ReadBlock();
    ASSERT_NE(block.data, nullptr);
    EXPECT_EQ(block.block, fields.block[2]);
    EXPECT_EQ(block.data[0], Ext2TestImage::FileByte(20, 2048));
}

TEST(Ext2DirEntry, WalksEveryRecordAcrossBlocks)
{
    Volume v;
    std::vector<std::pair<uint32_t, std::string>> entries;
    std::vector<std::string> expected{".", ".."};
    for (uint32_t i = 0; i < 80; ++i) {
        entries.emplace_back(12, "entry number " + std::to_string(i) + " with some more characters");
        expected.push_back(entries.back().second);
    }
    v.image.AddFile(12, 10);
    v.image.AddDirectory(20, 2, entries);
    v.Open();
    const CExt2Inode directory(v.fs.get(), 20);
    ASSERT_GE(directory.GetDataSize(), 4096u);
    EXPECT_EQ(Names(directory), expected);
    EXPECT_TRUE(directory.EntriesBegin() == directory.EntriesBegin());
    EXPECT_FALSE(directory.EntriesBegin() == directory.EntriesEnd());
}

TEST(Ext2DirEntry, DamagedDirectoriesEndEarly)
{
    struct Case {
        const char* name;
        // Writes the second record (the first is "." of length 12) at p with the room left.
        void (*second)(uint8_t* p);
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"record length 0", [](uint8_t* p) { ext2test::PutDirRecord(p, 12, 0, "zero"); }, {"."}},
        {"record length not a multiple of 4", [](uint8_t* p) { ext2test::PutDirRecord(p, 12, 1010, "odd"); }, {"."}},
        {"record longer than a block", [](uint8_t* p) { ext2test::PutDirRecord(p, 12, 2000, "long"); }, {".", "long"}},
        {"name of 4 in 12 bytes",
         [](uint8_t* p) {
             ext2test::PutDirRecord(p, 12, 12, "four");
             ext2test::PutDirRecord(p + 12, 12, 1000, "next");
         },
         {".", "four", "next"}},
        {"name of 5 in 12 bytes", [](uint8_t* p) { ext2test::PutDirRecord(p, 12, 12, "fives"); }, {"."}},
        {"empty slot with a name is stepped over",
         [](uint8_t* p) {
             ext2test::PutDirRecord(p, 0, 16, "gone");
             ext2test::PutDirRecord(p + 16, 12, 996, "kept");
         },
         {".", "gone", "kept"}},
        {"empty slot without a name ends it",
         [](uint8_t* p) {
             ext2test::PutDirRecord(p, 0, 16, "");
             ext2test::PutDirRecord(p + 16, 12, 996, "lost");
         },
         {"."}},
        {"name past the directory's data",
         [](uint8_t* p) { ext2test::PutDirRecord(p, 12, 12, std::string(200, 'n')); },
         {"."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Volume v;
        v.image.AddFile(12, 10);
        const uint32_t block = v.image.AllocBlock();
        ext2test::PutDirRecord(v.image.Block(block), 20, 12, ".");
        c.second(v.image.Block(block) + 12);
        Ext2TestImage::Inode dir;
        dir.mode = 0x41ED;
        dir.size = 1024;
        dir.units = 2;
        dir.block[0] = block;
        if (std::string(c.name) == "name past the directory's data") dir.size = 100;
        v.image.SetInode(20, dir);
        v.Open();
        EXPECT_EQ(Names(CExt2Inode(v.fs.get(), 20)), c.names);
    }
}

TEST(Ext2DirEntry, NoDataRaisesBadDir)
{
    Volume v;
    Ext2TestImage::Inode dir;
    dir.mode = 0x41ED;
    dir.size = 1024;
    dir.units = 2; // but no block
    v.image.SetInode(20, dir);
    v.Open();
    const CExt2DirEntry cursor(CExt2Inode(v.fs.get(), 20), 0);
    EXPECT_TRUE(cursor.AtEnd());
    EXPECT_THROW(cursor.Current(), CExt2DirEntry::CBadDir);
}

TEST(Ext2InodeIterator, VisitsTheFirstThroughTheLastInode)
{
    Volume v;
    v.image.AddFile(128, 10); // the last inode
    v.Open();
    std::vector<uint32_t> visited;
    uint32_t usable = 0;
    CExt2Inode inode;
    for (CExt2InodeIterator it(v.fs.get()); !it.AtEnd(); it.Next()) {
        it.GetInode(inode);
        visited.push_back(inode.GetInodeNumber());
        if (inode.IsUsable()) usable = inode.GetInodeNumber();
    }
    ASSERT_EQ(visited.size(), 128u - 10);
    EXPECT_EQ(visited.front(), 11u);
    EXPECT_EQ(visited.back(), 128u);
    EXPECT_EQ(usable, 128u);
}

TEST(Ext2InodeIterator, AnUnreadableTableReadsAsUnused)
{
    Volume v;
    v.image.AddFile(11, 10);
    v.image.AddFile(12, 10);
    v.Open();
    v.device->FailSector(uint64_t(v.image.InodeTable()) * 2 + 5);
    CExt2InodeIterator it(v.fs.get());
    CExt2Inode inode;
    EXPECT_THROW(it.GetInode(inode), CExt2ReadSectorError);
    it.Next();
    EXPECT_NO_THROW(it.GetInode(inode));
    EXPECT_EQ(inode.GetInodeNumber(), 12u);
    EXPECT_FALSE(inode.IsUsable());
}

TEST(Ext2Runs, FromBlockMaps)
{
    Volume v;
    const uint32_t indirect = v.image.AllocBlock();
    Put32(v.image.Block(indirect), 300);
    Put32(v.image.Block(indirect) + 4, 301);
    v.Open();
    CExt2FileSystem* fs = v.fs.get();

    // Contiguous blocks merge; the walk continues into the single-indirect block.
    Ext2TestImage::Inode file;
    file.size = 14 * 1024;
    file.units = 30;
    for (uint32_t i = 0; i < 12; ++i) file.block[i] = i < 6 ? 200 + i : 250 + i;
    file.block[12] = indirect;
    std::vector<bool> bitmap(2048, false);
    EXPECT_EQ(Runs(MakeInode(fs, 20, file), &bitmap), (std::vector<DataRun>{{200, 6}, {256, 6}, {300, 2}}));
    EXPECT_TRUE(bitmap[200] && bitmap[261] && bitmap[301]);
    EXPECT_FALSE(bitmap[indirect] || bitmap[262]);

    // A file that is not sparse ends at its first missing block.
    file.block[3] = 0;
    EXPECT_EQ(Runs(MakeInode(fs, 20, file)), (std::vector<DataRun>{{200, 3}}));

    // A sparse file keeps its holes, the one at its end included.
    Ext2TestImage::Inode sparse;
    sparse.size = 40 * 1024 - 100;
    sparse.units = 4;
    sparse.block[0] = 400;
    sparse.block[5] = 405;
    EXPECT_EQ(Runs(MakeInode(fs, 20, sparse)),
              (std::vector<DataRun>{{400, 1}, {kSparseCluster, 4}, {405, 1}, {kSparseCluster, 34}}));

    // A hole as large as the whole map costs nothing: no pointer beyond the first.
    sparse.size = uint64_t(1) << 40;
    const std::vector<DataRun> huge = Runs(MakeInode(fs, 20, sparse));
    ASSERT_EQ(huge.size(), 4u);
    EXPECT_EQ(huge.back(), (DataRun{kSparseCluster, CExt2BlockIterator::MappableBlocks(1024) - 6}));
}

TEST(Ext2Runs, RepeatedPointersStopAtTheBlocksCount)
{
    // The entries of a double-indirect map name sixteen single-indirect blocks, whose entries all name the
    // same two data blocks: 4096 mapped blocks on a file system of 2048.
    Volume v;
    const uint32_t dbl = v.image.AllocBlock();
    uint32_t singles[16];
    for (uint32_t& single : singles) single = v.image.AllocBlock();
    for (uint32_t i = 0; i < 256; ++i) {
        Put32(v.image.Block(dbl) + 4 * i, singles[i % 16]);
        for (uint32_t single : singles) Put32(v.image.Block(single) + 4 * i, (i % 2) ? 500 : 700);
    }
    v.Open();
    Ext2TestImage::Inode fields;
    fields.size = uint64_t(1) << 30;
    fields.units = 2;
    fields.block[13] = dbl;
    size_t dataRuns = 0;
    for (const DataRun& run : Runs(MakeInode(v.fs.get(), 20, fields))) dataRuns += run.IsSparse() ? 0 : 1;
    EXPECT_EQ(dataRuns, 2048u);
}

TEST(Ext2InodeIterator, ReadsEachGroupsTableOnce)
{
    ext2test::Fixture fixture = ext2test::LoadFixture("ext2-1k");
    ASSERT_FALSE(fixture.image.empty());
    MemoryDevice device(fixture.image);
    CExt2FileSystem fs(&device, 2);
    device.ResetCounters();
    CExt2Inode inode;
    for (CExt2InodeIterator it(&fs); !it.AtEnd(); it.Next()) it.GetInode(inode);
    EXPECT_EQ(device.ReadCount(), fs.GetGroupCount());
}
