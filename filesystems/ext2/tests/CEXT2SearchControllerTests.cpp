// The ext2 scanner: the fixture file systems found at an odd place of a larger device with blocks that cut
// through their structures, scored, saved, reloaded and built into trees; byte-built copies for the score
// table, tables of two descriptor sectors, starts before the device, replaced candidates and unreadable
// sectors.
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/ext2/CExt2SearchedPartitionInfo.h"
#include "filesystems/ext2/tests/Ext2TestSupport.h"

#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>

using namespace ext2test;
using testsupport::MemoryDevice;

namespace {

// The partitions handed out, deleted with the list.
struct Found {
    CSearchedPartitionList list;
    int64_t files = 0; // the files-found count of the scan
    ~Found()
    {
        for (CSearchedPartitionInfo* p : list) delete p;
    }
    CExt2SearchedPartitionInfo* at(size_t i)
    {
        auto it = list.begin();
        std::advance(it, i);
        return dynamic_cast<CExt2SearchedPartitionInfo*>(*it);
    }
};

void Scan(CEXT2SearchController& scanner, IStorageDevice& device, Found& found, uint64_t blockSectors = 61)
{
    scanner.SetDevice(&device);
    scanner.SetBlockSectors(int(blockSectors));
    scanner.BeginSearch();
    CIntelligentSearchStatistics statistics;
    const uint64_t sectors = device.GetSectorCount();
    for (uint64_t first = 0; first < sectors; first += blockSectors)
        EXPECT_EQ(scanner.AnalyzeBlock(first, std::min(blockSectors, sectors - first), &statistics), 1);
    scanner.EndSearch();
    scanner.GetSearchedPartitions(found.list);
    found.files = statistics.TotalFilesFound;
}

std::set<std::string> Names(CFileNode* folder)
{
    std::set<std::string> names;
    for (CFileNode* child = folder->GetFirstChild(); child; child = child->GetNextSibling())
        names.insert(child->GetProperties()->GetName());
    return names;
}

// A byte-built file system of groups x 8192 one-KiB blocks whose copy (of the given group) and descriptor
// table are the only things written, at the places they would have.
struct BuiltCopy {
    ext2_super_block sb;
    std::vector<Ext2GroupDescriptor> table;
};

BuiltCopy MakeCopy(uint32_t groups, uint16_t groupNumber)
{
    BuiltCopy c;
    c.sb.s_inodes_count = 128 * groups;
    c.sb.s_blocks_count = 8192 * groups;
    c.sb.s_first_data_block = 1;
    c.sb.s_log_block_size = 0;
    c.sb.s_blocks_per_group = 8192;
    c.sb.s_inodes_per_group = 128;
    c.sb.s_magic = ext2::kMagic;
    c.sb.s_rev_level = 1;
    c.sb.s_first_ino = 11;
    c.sb.s_inode_size = 128;
    c.sb.s_block_group_nr = groupNumber;
    c.sb.s_mtime = 1600000000;
    for (int i = 0; i < 16; ++i) c.sb.s_uuid[size_t(i)] = uint8_t(0x40 + i);
    for (uint32_t g = 0; g < groups; ++g) {
        Ext2GroupDescriptor d;
        const uint32_t base = 1 + g * 8192;
        d.blockBitmap = base + 3 + (groups + 31) / 32;
        d.inodeBitmap = d.blockBitmap + 1;
        d.inodeTable = d.blockBitmap + 2;
        c.table.push_back(d);
    }
    return c;
}

// Writes the copy at sector and its table at the next block (one-KiB blocks: 2 sectors on).
void PutCopy(MemoryDevice& device, uint64_t sector, const BuiltCopy& c)
{
    uint8_t bytes[ext2::kSuperBlockSize] = {};
    c.sb.Encode(std::span<uint8_t, ext2::kSuperBlockSize>(bytes));
    device.Write(sector * 512, bytes, sizeof bytes);
    std::vector<uint8_t> table(c.table.size() * ext2::kGroupDescriptorSize, 0);
    for (size_t i = 0; i < c.table.size(); ++i)
        c.table[i].Encode(std::span<uint8_t>(table).subspan(i * ext2::kGroupDescriptorSize));
    device.Write((sector + 2) * 512, table.data(), table.size());
}

struct FixtureCase {
    const char* name;
    int kind;
};

class Ext2ScanFixture : public testing::TestWithParam<FixtureCase> {};

} // namespace

// Each fixture 1000 sectors into a device, scanned in blocks of 61 sectors: one partition at its start with
// its kind, size and copies, scored as the copies say, its files counted; the tree built from it lists the
// root's entries.
TEST_P(Ext2ScanFixture, FindsTheFileSystemAndBuildsItsTree)
{
    const Fixture fixture = LoadFixture(GetParam().name);
    ASSERT_FALSE(fixture.image.empty());
    constexpr uint64_t kAt = 1000;
    MemoryDevice device(kAt + fixture.image.size() / 512 + 300);
    device.Write(kAt * 512, fixture.image.data(), fixture.image.size());

    CEXT2SearchController scanner;
    Found found;
    Scan(scanner, device, found);
    ASSERT_EQ(found.list.size(), 1u);
    CExt2SearchedPartitionInfo* p = found.at(0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->nFileSystemKind, GetParam().kind);
    EXPECT_EQ(p->u64StartSector, kAt);
    EXPECT_EQ(p->u64DataAreaStartSector, kAt + 2);
    EXPECT_EQ(p->u64SectorsCount, fixture.image.size() / 512);
    EXPECT_EQ(p->bySectorsPerCluster, p->GetBlockSize() / 512);
    EXPECT_EQ(p->nSectorSize, 512u);
    // The descriptor table follows the superblock's block: block 2 of one-KiB blocks, block 1 of 4 KiB ones.
    EXPECT_EQ(p->m_descriptorSector, kAt + (p->GetBlockSize() == 1024 ? 4 : 8));
    EXPECT_EQ(p->u64FoldersMatch + 1, p->m_copies);
    EXPECT_EQ(p->u64EvidenceScore, p->m_copies >= 2 ? 100u : 60u);
    EXPECT_EQ(scanner.GetListedCount(), 0u);

    // The tree from the scan, and again from the stored form (read back from the device first).
    CFileSystemNode* root = scanner.BuildDirectoryTree(p, &device, 0, nullptr);
    ASSERT_NE(root, nullptr);
    CFileNode* partition = root;
    const std::set<std::string> names = Names(partition);
    EXPECT_TRUE(names.count("readme.txt")) << GetParam().name;
    // The files counted while scanning are the files of the tree, deleted ones and those of deleted folders
    // included, counted once whatever copies of the superblock were seen.
    root->RecomputeStatistics();
    FileTreeStatistics tree;
    ASSERT_TRUE(root->GetStatistics(tree));
    EXPECT_GT(found.files, 0);
    EXPECT_EQ(found.files, int64_t(tree.files));
    DeleteFoundTree(root);

    testsupport::MemoryRSData writer = testsupport::MemoryRSData::Writer();
    p->Save(&writer);
    writer.StartReading();
    const std::vector<uint8_t> bytes = writer.SectionBytes();
    EXPECT_EQ(bytes.size(), size_t(CExt2SearchedPartitionInfo::kStreamSize));
    testsupport::MemoryRSData reader = testsupport::MemoryRSData::Reader(bytes);
    CExt2SearchedPartitionInfo loaded;
    loaded.Load(&reader);
    EXPECT_FALSE(loaded.HasTable());
    EXPECT_EQ(loaded.u64StartSector, kAt);
    EXPECT_EQ(loaded.u64EvidenceScore, p->u64EvidenceScore);
    EXPECT_EQ(loaded.m_descriptorSector, p->m_descriptorSector);
    CEXT2SearchController later;
    CFileSystemNode* again = later.BuildDirectoryTree(&loaded, &device, 1, nullptr);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Names(again), names);
    DeleteFoundTree(again);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Ext2ScanFixture,
                         testing::Values(FixtureCase{"ext2-1k", kFsKindExt2}, FixtureCase{"ext2-4k", kFsKindExt2},
                                         FixtureCase{"ext3-1k", kFsKindExt3}, FixtureCase{"ext3-4k", kFsKindExt3}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

// An ext2 file system quick-formatted as FAT32 is found by a backup superblock, after the scan passed the
// inode table of its first group: that table is read back, so the files counted are still the tree's.
TEST(Ext2Scan, CountsTheFilesOfAFileSystemFoundByABackupCopy)
{
    const std::vector<uint8_t> image = testsupport::LoadFixtureImage("format-ext2-as-fat32");
    ASSERT_FALSE(image.empty());
    MemoryDevice device(image.size() / 512);
    device.Write(0, image.data(), image.size());
    for (uint64_t block : {uint64_t(61), uint64_t(2048)}) {
        SCOPED_TRACE(block);
        CEXT2SearchController scanner;
        Found found;
        Scan(scanner, device, found, block);
        ASSERT_EQ(found.list.size(), 1u);
        CFileSystemNode* root = scanner.BuildDirectoryTree(found.at(0), &device, 0, nullptr);
        ASSERT_NE(root, nullptr);
        root->RecomputeStatistics();
        FileTreeStatistics tree;
        ASSERT_TRUE(root->GetStatistics(tree));
        EXPECT_GE(tree.files, 3u); // the manifest's three files
        EXPECT_EQ(found.files, int64_t(tree.files));
        DeleteFoundTree(root);
    }
}

// The score table for one copy, and two identical copies at the same start.
TEST(Ext2Scan, ScoresByCopiesAndValidity)
{
    const struct {
        const char* what;
        uint16_t group;
        bool revision0;
        int copies;
        uint64_t score;
    } cases[] = {
        {"primary, valid", 0, false, 1, 60},
        {"backup, valid", 1, false, 1, 45},
        {"primary, invalid until normalised", 0, true, 1, 30},
        {"backup, invalid until normalised", 1, true, 1, 20},
        {"two primary copies, valid", 0, false, 2, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BuiltCopy copy = MakeCopy(2, c.group);
        if (c.revision0) copy.sb.s_rev_level = 0, copy.sb.s_inode_size = 0;
        MemoryDevice device(40000);
        // Start 2000: the copy of group g lies g x 16384 sectors + 2 into it.
        const uint64_t start = 2000;
        PutCopy(device, start + 2 + uint64_t(c.group) * 16384, copy);
        if (c.copies == 2) PutCopy(device, 30000, copy);
        CEXT2SearchController scanner;
        Found found;
        Scan(scanner, device, found, 512);
        ASSERT_EQ(found.list.size(), 1u);
        EXPECT_EQ(found.at(0)->u64StartSector, start);
        EXPECT_EQ(found.at(0)->u64EvidenceScore, c.score);
        EXPECT_EQ(found.at(0)->m_copies, uint32_t(c.copies));
        if (c.copies == 2) {
            EXPECT_EQ(found.at(0)->u64FoldersMatch, 1u);
            EXPECT_EQ(found.at(0)->u64DataAreaStartSector, start + 2);
        }
    }
}

// Twenty groups need two descriptor sectors: 16 descriptors from the first, 4 from the second.
TEST(Ext2Scan, GathersATableOfTwoSectors)
{
    MemoryDevice device(200);
    PutCopy(device, 50, MakeCopy(20, 0));
    CEXT2SearchController scanner;
    Found found;
    Scan(scanner, device, found, 7);
    ASSERT_EQ(found.list.size(), 1u);
    EXPECT_EQ(found.at(0)->GetDescriptors().size(), 20u);
    EXPECT_EQ(found.at(0)->m_descriptorSector, 52u);
    EXPECT_EQ(found.at(0)->GetDescriptors()[19].blockBitmap, MakeCopy(20, 0).table[19].blockBitmap);
}

// Copies that would put the file system before sector 0 start no candidate; a second valid copy before the
// first one's table is complete replaces it; a damaged table is dropped.
TEST(Ext2Scan, RefusesStartsBeforeTheDeviceAndReplacesCandidates)
{
    {
        MemoryDevice device(100);
        PutCopy(device, 1, MakeCopy(1, 0)); // its start would be -1
        CEXT2SearchController scanner;
        Found found;
        Scan(scanner, device, found);
        EXPECT_TRUE(found.list.empty());
    }
    {
        MemoryDevice device(100);
        BuiltCopy twenty = MakeCopy(20, 0);
        PutCopy(device, 10, twenty);
        // A second file system's copy lands inside the first one's table (after its first 16 descriptors).
        BuiltCopy other = MakeCopy(1, 0);
        other.sb.s_uuid[0] = 0x99;
        PutCopy(device, 13, other);
        CEXT2SearchController scanner;
        Found found;
        Scan(scanner, device, found);
        ASSERT_EQ(found.list.size(), 1u);
        EXPECT_EQ(found.at(0)->u64StartSector, 11u);
        EXPECT_EQ(found.at(0)->Record().s_uuid[0], 0x99);
    }
    {
        MemoryDevice device(100);
        BuiltCopy bad = MakeCopy(1, 0);
        bad.table[0].inodeTable = 50000; // outside its group
        PutCopy(device, 10, bad);
        CEXT2SearchController scanner;
        Found found;
        Scan(scanner, device, found);
        EXPECT_TRUE(found.list.empty());
        EXPECT_FALSE(scanner.HasCandidate());
    }
}

// Unreadable sectors are analysed as zeros and logged; the file system around them is still found.
TEST(Ext2Scan, UnreadableSectorsAreZeroedAndLogged)
{
    testsupport::LogCapture log;
    MemoryDevice device(3000);
    device.FillWithPattern();
    PutCopy(device, 1002, MakeCopy(1, 0));
    device.FailSectors(200, 3);
    device.FailSector(2500);
    CEXT2SearchController scanner;
    Found found;
    Scan(scanner, device, found, 1000);
    ASSERT_EQ(found.list.size(), 1u);
    EXPECT_EQ(found.at(0)->u64StartSector, 1000u);
    EXPECT_EQ(scanner.GetUnreadableSectors(), 4u);
    EXPECT_TRUE(log.Contains("3 unreadable sectors from sector 200")) << log.Text();
    EXPECT_TRUE(log.Contains("1 unreadable sectors from sector 2500")) << log.Text();
}

// Partitions that lost a merge stay with the scanner and come out of a second call.
TEST(Ext2Scan, MergeLosersStayForASecondCall)
{
    MemoryDevice device(60000);
    BuiltCopy copy = MakeCopy(2, 0);
    PutCopy(device, 100, copy);
    PutCopy(device, 100 + 20000, copy); // an identical copy: merged while scanning
    BuiltCopy moved = copy;
    for (auto& d : moved.table) d.inodeTable += 1; // same key, different descriptors: not the same
    PutCopy(device, 40000, moved);
    CEXT2SearchController scanner;
    Found found;
    Scan(scanner, device, found, 4096);
    ASSERT_EQ(found.list.size(), 1u);
    EXPECT_EQ(found.at(0)->m_copies, 2u);
    EXPECT_EQ(found.at(0)->u64StartSector, 98u);
    EXPECT_EQ(scanner.GetListedCount(), 1u);
    Found second;
    scanner.GetSearchedPartitions(second.list);
    ASSERT_EQ(second.list.size(), 1u);
    EXPECT_EQ(second.at(0)->u64StartSector, 39998u);
    EXPECT_EQ(scanner.GetListedCount(), 0u);
}

TEST(Ext2Scan, KindsAndSupportedFileSystems)
{
    CEXT2SearchController scanner;
    EXPECT_EQ(scanner.GetKind(), kSearchControllerEXT2);
    EXPECT_TRUE(scanner.IsFileSystemSupported(kFsKindExt2));
    EXPECT_TRUE(scanner.IsFileSystemSupported(kFsKindExt3));
    EXPECT_FALSE(scanner.IsFileSystemSupported(kFsKindNtfs));
    CExt2SearchedPartitionInfo empty;
    EXPECT_EQ(empty.GetKind(), kSearchedPartitionExt2);
    EXPECT_EQ(empty.m_copies, 0u);
    EXPECT_EQ(scanner.BuildDirectoryTree(&empty, nullptr, 0, nullptr), nullptr);
}
