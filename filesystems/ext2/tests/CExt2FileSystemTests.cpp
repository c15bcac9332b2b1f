// The superblock's derived values, validity and normalisation; opening a file system (errors, backup
// copies, the descriptor search); bounded block reads; the volume analyser; the error log.
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/ext2/CExt2DirEntry.h"
#include "filesystems/ext2/CExt2SuperBlock.h"
#include "filesystems/ext2/CExt2Volume.h"
#include "filesystems/ext2/Ext2Exceptions.h"
#include "filesystems/ext2/LogExt2Error.h"
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>

using ext2test::Ext2TestImage;
using testsupport::MemoryDevice;

namespace {

// 4 KiB blocks, 100000 blocks in groups of 32768: four groups.
ext2_super_block ValidRecord()
{
    ext2_super_block sb;
    sb.s_magic = ext2::kMagic;
    sb.s_log_block_size = 2;
    sb.s_blocks_count = 100000;
    sb.s_blocks_per_group = 32768;
    sb.s_inodes_per_group = 8192;
    sb.s_inodes_count = 32768;
    sb.s_rev_level = 1;
    sb.s_first_ino = 11;
    sb.s_inode_size = 256;
    return sb;
}

} // namespace

TEST(Ext2SuperBlock, ValidityTest)
{
    struct Case {
        const char* name;
        std::function<void(ext2_super_block&)> change;
        bool valid;
    };
    const Case cases[] = {
        {"as made", [](ext2_super_block&) {}, true},
        {"wrong magic", [](ext2_super_block& s) { s.s_magic = 0xEF52; }, false},
        {"no inodes", [](ext2_super_block& s) { s.s_inodes_count = 0; }, false},
        {"no blocks", [](ext2_super_block& s) { s.s_blocks_count = 0; }, false},
        {"no blocks per group", [](ext2_super_block& s) { s.s_blocks_per_group = 0; }, false},
        {"no inodes per group", [](ext2_super_block& s) { s.s_inodes_per_group = 0; }, false},
        {"copy of the last group", [](ext2_super_block& s) { s.s_block_group_nr = 4; }, true},
        {"copy past the groups", [](ext2_super_block& s) { s.s_block_group_nr = 5; }, false},
        {"revision 0 with inode size 0", [](ext2_super_block& s) { s.s_rev_level = 0, s.s_inode_size = 0; }, false},
        {"inode size below 128", [](ext2_super_block& s) { s.s_inode_size = 64; }, false},
        {"inode size not a power of two", [](ext2_super_block& s) { s.s_inode_size = 200; }, false},
        {"inode size of a whole block", [](ext2_super_block& s) { s.s_inode_size = 4096; }, true},
        {"inode size past the block", [](ext2_super_block& s) { s.s_inode_size = 8192; }, false},
        {"16 KiB blocks", [](ext2_super_block& s) { s.s_log_block_size = 4; }, false},
        {"huge block-size exponent", [](ext2_super_block& s) { s.s_log_block_size = 40; }, false},
        {"groups of half a bitmap (7 groups)", [](ext2_super_block& s) { s.s_blocks_per_group = 16384; }, false},
        {"more inodes per group than a bitmap maps", [](ext2_super_block& s) { s.s_inodes_per_group = 32769; }, false},
        {"inodes count at the first inode", [](ext2_super_block& s) { s.s_inodes_count = 11; }, false},
        {"more inodes than the groups hold", [](ext2_super_block& s) { s.s_inodes_count = 32769; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ext2_super_block sb = ValidRecord();
        c.change(sb);
        EXPECT_EQ(CExt2SuperBlock(sb).IsValid(), c.valid);
    }
}

TEST(Ext2SuperBlock, NormalisationRepairsWhatItCan)
{
    ext2_super_block sb = ValidRecord();
    sb.s_rev_level = 0;
    sb.s_inode_size = 0;
    sb.s_first_data_block = 1;    // wrong for 4 KiB blocks
    sb.s_inodes_count = 3 * 8192; // no more than the first three groups
    CExt2SuperBlock copy(sb);
    EXPECT_FALSE(copy.IsValid());
    copy.Normalise();
    EXPECT_TRUE(copy.IsValid());
    EXPECT_EQ(copy.Record().s_inode_size, 128);
    EXPECT_EQ(copy.GetFirstInode(), 11u);
    EXPECT_EQ(copy.Record().s_first_data_block, 0u);
    EXPECT_EQ(copy.Record().s_inodes_count, 4u * 8192);

    ext2_super_block small = ValidRecord();
    small.s_log_block_size = 0;
    small.s_blocks_per_group = 8192;
    small.s_blocks_count = 20000;
    small.s_inodes_per_group = 1000;
    small.s_inodes_count = 2500; // within the third group: kept
    CExt2SuperBlock kept(small);
    kept.Normalise();
    EXPECT_EQ(kept.Record().s_first_data_block, 1u);
    EXPECT_EQ(kept.Record().s_inodes_count, 2500u);
}

TEST(Ext2SuperBlock, DerivedValuesIn64Bits)
{
    ext2_super_block sb = ValidRecord();
    EXPECT_EQ(CExt2SuperBlock(sb).GetGroupCount(), 4u);
    sb.s_blocks_count = 0xFFFFFFFF; // the sum wraps in 32 bits
    EXPECT_EQ(CExt2SuperBlock(sb).GetGroupCount(), 131072u);

    struct Case {
        uint32_t log, first, group, perGroup;
        int64_t offset;
    };
    const Case cases[] = {
        {0, 1, 3, 8192, 49152},                  // 1 KiB blocks: the copy is exactly its group's distance away
        {2, 0, 1, 32768, 262144 - 2},            // 4 KiB blocks: the primary lies 2 sectors into block 0
        {2, 0, 60000, 32768, 15728640000ll - 2}, // past 2 TiB
    };
    for (const Case& c : cases) {
        sb = ValidRecord();
        sb.s_log_block_size = c.log;
        sb.s_first_data_block = c.first;
        sb.s_block_group_nr = uint16_t(c.group);
        sb.s_blocks_per_group = c.perGroup;
        EXPECT_EQ(CExt2SuperBlock(sb).GetCopyOffset(), c.offset) << c.group;
    }

    sb = ValidRecord();
    EXPECT_EQ(CExt2SuperBlock(sb).GetKind(), 4);
    sb.s_journal_inum = 8;
    EXPECT_EQ(CExt2SuperBlock(sb).GetKind(), 5);
}

TEST(Ext2SuperBlock, CopiesAreTheSameUnlessAKeyFieldDiffers)
{
    const CExt2SuperBlock a(ValidRecord());
    ext2_super_block other = ValidRecord();
    other.s_wtime = 123;
    other.s_block_group_nr = 3;
    EXPECT_TRUE(a.IsSame(CExt2SuperBlock(other)));
    other.s_uuid[15] = 1;
    EXPECT_FALSE(a.IsSame(CExt2SuperBlock(other)));
    other = ValidRecord();
    other.s_inode_size = 128;
    EXPECT_FALSE(a.IsSame(CExt2SuperBlock(other)));
}

TEST(Ext2FileSystem, OpensAndLocatesInodes)
{
    Ext2TestImage image;
    MemoryDevice device(image.Bytes());
    CExt2FileSystem fs(&device, 2);
    EXPECT_EQ(fs.GetKind(), 4);
    EXPECT_EQ(fs.GetBlockSize(), 1024u);
    EXPECT_EQ(fs.GetGroupCount(), 1u);
    EXPECT_EQ(fs.GetVolumeName(), "TESTVOL");
    EXPECT_EQ(fs.GetSizeInBytes(), 2048u * 1024);
    EXPECT_EQ(fs.BlockToSector(5), 10);

    uint64_t block = 0;
    uint32_t offset = 99;
    ASSERT_TRUE(fs.LocateInode(1, block, offset));
    EXPECT_EQ(block, image.InodeTable());
    EXPECT_EQ(offset, 0u);
    ASSERT_TRUE(fs.LocateInode(12, block, offset));
    EXPECT_EQ(block, image.InodeTable() + 1);
    EXPECT_EQ(offset, 3u * 128);
    EXPECT_FALSE(fs.LocateInode(0, block, offset));
    EXPECT_FALSE(fs.LocateInode(129, block, offset)); // past the only group
}

TEST(Ext2FileSystem, RefusesWhatCannotBeOpened)
{
    {
        // An image cut short is still read (what is missing is unreadable); one that ends before the file
        // system's start is not.
        Ext2TestImage image;
        std::vector<uint8_t> bytes = image.Bytes();
        bytes.resize(bytes.size() - 1024); // one block short of the file system
        MemoryDevice shortDevice(bytes);
        EXPECT_NO_THROW(CExt2FileSystem(&shortDevice, 2));
        MemoryDevice device(image.Bytes());
        EXPECT_THROW(CExt2FileSystem(&device, device.GetSectorCount() + 2), CExt2ReadSectorError);
    }
    {
        Ext2TestImage image;
        image.SuperBlock().s_magic = 0;
        image.WriteHeaders();
        MemoryDevice device(image.Bytes());
        EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2BadSuperBlock);
    }
    {
        Ext2TestImage image;
        MemoryDevice device(image.Bytes());
        device.FailSector(3);
        EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2ReadSectorError);
    }
    {
        Ext2TestImage image;
        Ext2GroupDescriptor outside;
        outside.blockBitmap = 3;
        outside.inodeBitmap = 4;
        outside.inodeTable = 9000; // beyond the group
        outside.Encode(std::span<uint8_t>(image.Block(2), ext2::kGroupDescriptorSize));
        MemoryDevice device(image.Bytes());
        EXPECT_THROW(CExt2FileSystem(&device, 2), CExt2BadGroupDescriptor);
    }
    {
        // A backup copy that claims a group further away than its own sector: the start would be negative.
        Ext2TestImage image;
        ext2_super_block far = image.SuperBlock();
        far.s_blocks_count = 16384 + 100;
        far.s_block_group_nr = 1;
        MemoryDevice device(40000, 512); // room for the whole file system
        far.Encode(std::span<uint8_t, 1024>(device.Sector(4), 1024));
        EXPECT_THROW(CExt2FileSystem(&device, 4), CExt2BadSuperBlock);
    }
}

TEST(Ext2FileSystem, ReadBlocksStaysOnTheDevice)
{
    Ext2TestImage image;
    MemoryDevice device(image.Bytes());
    CExt2FileSystem fs(&device, 2);
    std::vector<uint8_t> buffer(2048, 0xCC);
    try {
        fs.ReadBlocks(buffer.data(), 2048, 1);
        ADD_FAILURE() << "no range error";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "CExt2FileSystem::ReadBlocks");
    }
    EXPECT_THROW(fs.ReadBlocks(buffer.data(), 0, 1ull << 40), std::out_of_range);

    device.FailSector(21);
    std::fill(buffer.begin(), buffer.end(), 0xCC);
    EXPECT_THROW(fs.ReadBlocks(buffer.data(), 10, 1), CExt2ReadSectorError);
    EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 1024, 0), 1024);
}

TEST(Ext2FileSystem, OpensFromABackupCopy)
{
    ext2test::Fixture fixture = ext2test::LoadFixture("ext2-1k");
    ASSERT_FALSE(fixture.image.empty());
    MemoryDevice device(fixture.image);
    CExt2FileSystem primary(&device, 2);
    // Group 1's copy lies at block 8193 (sector 16386).
    CExt2FileSystem backup(&device, 16386);
    EXPECT_EQ(backup.GetPrimarySuperBlockSector(), 2);
    EXPECT_EQ(backup.BlockToSector(0), 0);
    EXPECT_EQ(backup.GetVolumeName(), "EXT2SMALL");
    ASSERT_EQ(backup.GetGroupCount(), primary.GetGroupCount());
    ASSERT_EQ(backup.GetGroupCount(), 3u);
    for (uint64_t g = 0; g < backup.GetGroupCount(); ++g)
        EXPECT_TRUE(backup.GetGroupDescriptor(g).SameBlocks(primary.GetGroupDescriptor(g)));
}

TEST(Ext2FileSystem, DescriptorSearchPrefersATableSeenTwice)
{
    // 1 KiB blocks, five groups of 8192 blocks; the backups of groups 1 and 3 matter here.
    Ext2TestImage::Options options;
    options.blocks = 4 * 8192 + 100;
    options.inodesPerGroup = 16;
    Ext2TestImage image(options);
    const ext2_super_block sb = image.SuperBlock();
    const uint32_t groups = 5;
    auto table = [&](uint8_t mark) {
        std::vector<uint8_t> bytes(1024, 0);
        for (uint32_t g = 0; g < groups; ++g) {
            Ext2GroupDescriptor d;
            d.blockBitmap = 1 + g * 8192 + 2;
            d.inodeBitmap = 1 + g * 8192 + 3;
            d.inodeTable = 1 + g * 8192 + 4;
            d.rest[0] = mark;
            d.Encode(std::span<uint8_t>(bytes).subspan(32 * g));
        }
        return bytes;
    };
    auto writeGroup = [&](uint32_t group, uint8_t mark) {
        const uint32_t block = 1 + group * 8192;
        ext2_super_block copy = sb;
        copy.s_block_group_nr = uint16_t(group);
        if (group != 0) copy.Encode(std::span<uint8_t, 1024>(image.Block(block), 1024));
        const std::vector<uint8_t> bytes = table(mark);
        std::memcpy(image.Block(block + 1), bytes.data(), bytes.size());
    };

    struct Case {
        const char* name;
        bool primaryValid;
        uint8_t expected; // mark of the table used
    };
    for (const Case& c : {Case{"primary invalid: group 3 repeats group 1", false, 3},
                          Case{"primary valid: group 1 repeats it", true, 1}}) {
        SCOPED_TRACE(c.name);
        writeGroup(0, 0);
        writeGroup(1, 1);
        writeGroup(3, 3);
        if (!c.primaryValid) std::memset(image.Block(2), 0, 1024);
        MemoryDevice device(image.Bytes());
        CExt2FileSystem fs(&device, 2);
        ASSERT_EQ(fs.GetGroupCount(), groups);
        EXPECT_EQ(fs.GetGroupDescriptor(0).rest[0], c.expected);
        EXPECT_EQ(fs.GetGroupDescriptor(4).inodeTable, 1u + 4 * 8192 + 4);
    }
}

TEST(Ext2Volume, KindSizeAndLabel)
{
    ext2test::Fixture fixture = ext2test::LoadFixture("ext3-1k");
    ASSERT_FALSE(fixture.image.empty());
    {
        MemoryDevice device(fixture.image);
        CExt2Volume volume(&device, 0);
        EXPECT_EQ(volume.GetFileSystemKind(), 5);
        EXPECT_EQ(volume.GetTotalSectors(), 20u * 2048);
        char label[100];
        volume.GetLabel(label, sizeof label);
        EXPECT_STREQ(label, "EXT3SMALL");
        volume.GetLabel(label, 4);
        EXPECT_STREQ(label, "EXT");
        label[0] = 'x';
        volume.GetLabel(label, 0);
        EXPECT_EQ(label[0], 'x');
    }
    {
        // On 4 KiB sectors, 1 MiB into the device.
        std::vector<uint8_t> bytes(1 << 20, 0);
        bytes.insert(bytes.end(), fixture.image.begin(), fixture.image.end());
        MemoryDevice device(bytes, 4096);
        CExt2Volume volume(&device, 256);
        EXPECT_EQ(volume.GetFileSystemKind(), 5);
        EXPECT_EQ(volume.GetTotalSectors(), 20u * 256);
    }
    {
        MemoryDevice blank(8192);
        CExt2Volume volume(&blank, 0);
        EXPECT_EQ(volume.GetFileSystemKind(), 7);
        EXPECT_EQ(volume.GetTotalSectors(), 0u);
        char label[8] = "junk";
        volume.GetLabel(label, sizeof label);
        EXPECT_STREQ(label, "");
    }
    {
        Ext2TestImage::Options options;
        options.label = "ABCDEFGHIJKLMNOP"; // all 16 bytes, no terminator
        Ext2TestImage image(options);
        MemoryDevice device(image.Bytes());
        CExt2Volume volume(&device, 0);
        char label[100];
        volume.GetLabel(label, sizeof label);
        EXPECT_STREQ(label, "ABCDEFGHIJKLMNOP");
    }
}

TEST(Ext2ErrorLog, AppendsLinesInTheCurrentFolder)
{
    testsupport::TempDir dir;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    LogExt2Error("first line");
    LogExt2Error(nullptr);
    LogExt2Exception(CExt2BadSuperBlock());
    LogExt2Exception(CExt2DirEntry::CBadDir());
    LogExt2Exception(std::out_of_range("CExt2FileSystem::ReadBlocks"));
    std::ifstream in("Ext2Error.log");
    std::stringstream text;
    text << in.rdbuf();
    ASSERT_EQ(chdir(previous), 0);
    EXPECT_EQ(text.str(), "first line\nCExt2BadSuperBlock\nstd::exception\nCExt2DirEntry::CBadDir\nstd::exception\n"
                          "std::out_of_range\nCExt2FileSystem::ReadBlocks\n");
}

TEST(Ext2Exceptions, StructuredExceptionNamesItsCode)
{
    EXPECT_STREQ(CStructuredException(0xC0000005).what(), "EXCEPTION_ACCESS_VIOLATION");
    EXPECT_STREQ(CStructuredException(0xC00000FD).what(), "EXCEPTION_STACK_OVERFLOW");
    EXPECT_STREQ(CStructuredException(0x80000001).what(), "EXCEPTION_GUARD_PAGE");
    EXPECT_STREQ(CStructuredException(0xE0000001).what(), "EXCEPTION_UNKNOWN");
}
