// Volume analysers on the FAT, NTFS and ext2/ext3 fixture images (at sector 0 and further in), the analyser
// order, and the FAT label search through fixed roots and root chains.
#include "filesystems/partitions/CFatVolumeAnalyze.h"
#include "filesystems/partitions/CFatVolumeLabelReader.h"
#include "filesystems/partitions/CNtfsVolumeAnalyze.h"
#include "filesystems/partitions/CVolumeAnalyzeList.h"
#include "filesystems/partitions/VolumeDetection.h"

#include "filesystems/fat/CFATDBR.h"
#include "filesystems/partitions/tests/PartitionTestSupport.h"
#include "filesystems/tree/CFileNode.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace parttest;

namespace {

struct Known {
    const char* image;
    int32_t kind;
    uint64_t sectors;
    const char* label;
};

const Known kFixtures[] = {
    {"fat12", kFsKindFat12, 2880, "FLOPPY12"},    {"fat16", kFsKindFat16, 32768, "DATA16"},
    {"fat32", kFsKindFat32, 81920, "DATA32"},     {"ntfs_small", kFsKindNtfs, 16383, "SalvixNTFS"},
    {"ext2-1k", kFsKindExt2, 40960, "EXT2SMALL"}, {"ext3-1k", kFsKindExt3, 40960, "EXT3SMALL"},
    {"ext2-4k", kFsKindExt2, 49152, "EXT2LARGE"},
};

std::string Label(IVolume& volume)
{
    char label[IVolume::kLabelSize] = {};
    volume.GetLabel(label, sizeof label);
    return std::string(label, strnlen(label, sizeof label));
}

} // namespace

// Each fixture is recognised by its own analyser, with the size and label the file system states, both at
// sector 0 and when the image lies further in on a larger device.
TEST(VolumeAnalysers, RecogniseTheFixturesAtAnySector)
{
    for (const Known& k : kFixtures) {
        SCOPED_TRACE(k.image);
        const std::vector<uint8_t> image = LoadFixtureImage(k.image);
        ASSERT_FALSE(image.empty());
        for (uint64_t at : {uint64_t(0), uint64_t(12345)}) {
            SCOPED_TRACE(at);
            std::vector<uint8_t> bytes(size_t(at) * 512, 0xA5);
            bytes.insert(bytes.end(), image.begin(), image.end());
            testsupport::MemoryDevice disk(std::move(bytes));
            const CVolumeAnalyzeList list(&disk, at);
            IVolume* found = list.FindFirstKnown();
            EXPECT_EQ(found->GetFileSystemKind(), k.kind);
            EXPECT_EQ(found->GetTotalSectors(), k.sectors);
            EXPECT_EQ(Label(*found), k.label);
            // Exactly one analyser recognises it.
            int known = 0;
            for (const auto& a : list.Analysers()) known += a->GetFileSystemKind() != kFsKindNone;
            EXPECT_EQ(known, 1);
        }
    }
}

TEST(VolumeAnalysers, NtfsAnswersFirstAndBlankDevicesGetTheLastAnalyser)
{
    // Sector 0 an NTFS boot sector, sectors 2-3 an ext2 superblock: NTFS answers.
    std::vector<uint8_t> image = LoadFixtureImage("ext2-1k");
    ASSERT_FALSE(image.empty());
    const auto ntfs = MakeNtfsBootSector(40000);
    std::memcpy(image.data(), ntfs.data(), ntfs.size());
    testsupport::MemoryDevice disk(std::move(image));
    const CVolumeAnalyzeList list(&disk, 0);
    EXPECT_EQ(list.Analysers()[2]->GetFileSystemKind(), kFsKindExt2);
    EXPECT_EQ(list.FindFirstKnown(), list.Analysers()[0].get());
    EXPECT_EQ(list.FindFirstKnown()->GetTotalSectors(), 40000u);

    testsupport::MemoryDevice blank(4096);
    const CVolumeAnalyzeList none(&blank, 0);
    EXPECT_EQ(none.FindFirstKnown(), none.Analysers().back().get());
    EXPECT_EQ(none.FindFirstKnown()->GetFileSystemKind(), kFsKindNone);
    EXPECT_EQ(none.FindFirstKnown()->GetTotalSectors(), 0u);
    EXPECT_EQ(Label(*none.FindFirstKnown()), "");

    // Reads past the end or failing reads leave kind 7.
    const CVolumeAnalyzeList past(&blank, 5000);
    EXPECT_EQ(past.FindFirstKnown()->GetFileSystemKind(), kFsKindNone);
    const CVolumeAnalyzeList noDevice(nullptr, 0);
    EXPECT_EQ(noDevice.FindFirstKnown()->GetFileSystemKind(), kFsKindNone);
}

TEST(VolumeAnalysers, GetLabelCopiesAtMostTheField)
{
    testsupport::MemoryDevice disk(LoadFixtureImage("fat16"));
    CFatVolumeAnalyze fat(&disk, 0);
    char small[50];
    std::memset(small, 'x', sizeof small);
    fat.GetLabel(small, 50);
    EXPECT_STREQ(small, "DATA16");
    EXPECT_EQ(small[49], 0); // the zero padding of the field, not the 'x'
    char big[200];
    std::memset(big, 'x', sizeof big);
    fat.GetLabel(big, 200);
    EXPECT_EQ(big[99], 0);
    EXPECT_EQ(big[100], 'x'); // never past the 100-byte field
}

// FAT label search in byte-built volumes: a FAT16 root of 512 entries in 4-sector clusters is scanned in 8
// pieces; deleted labels are skipped; a FAT32 root chain that loops ends.
class FatLabel : public ::testing::Test {
protected:
    static constexpr uint64_t kStart = 100; // the volume starts here on the device

    void Put(uint64_t volumeSector, size_t entryIndex, const std::vector<uint8_t>& entry)
    {
        auto& s = disk.Sector(kStart + volumeSector + entryIndex * 32 / 512);
        std::memcpy(s.data() + entryIndex * 32 % 512, entry.data(), 32);
    }
    std::string ReadLabel(const std::vector<uint8_t>& boot)
    {
        const CFATDBR dbr(boot, 512);
        std::string label;
        return CFatVolumeLabelReader(&disk).ReadLabel(kStart, dbr, label) ? label : "<none>";
    }
    void PutFat32(uint32_t cluster, uint32_t next)
    {
        auto& s = disk.Sector(kStart + 32 + cluster * 4 / 512);
        for (int i = 0; i < 4; ++i) s[cluster * 4 % 512 + size_t(i)] = uint8_t(next >> (8 * i));
    }

    SparseDevice disk{200000};
};

TEST_F(FatLabel, Fat16RootIsScannedPieceByPiece)
{
    FatBootOptions o;
    o.type = 1, o.sectorsPerCluster = 4, o.reservedSectors = 4, o.sectorsPerFat = 16, o.rootEntries = 512;
    const auto boot = MakeFatBootSector(o);
    const uint64_t root = 4 + 2 * 16; // 32 root sectors: 8 pieces of 4
    const auto file = MakeDirEntry("FILE    TXT", 0x20, 3, 10);
    for (size_t i = 0; i < 512; ++i) Put(root, i, file);
    EXPECT_EQ(ReadLabel(boot), "<none>");

    // The label in the last piece (entries 448 to 511), after a deleted label.
    auto deleted = MakeDirEntry("OLDLABELXYZ", 0x08);
    deleted[0] = 0xE5;
    Put(root, 460, deleted);
    Put(root, 461, MakeDirEntry("MY DISK    ", 0x08));
    EXPECT_EQ(ReadLabel(boot), "MY DISK");

    const CFATDBR dbr(boot, 512);
    EXPECT_EQ(CFatVolumeLabelReader(&disk).ClusterToSector(kStart, dbr, 2), kStart + root + 32);
}

TEST_F(FatLabel, InvalidEntryOrEndMarkerEndsAPiece)
{
    FatBootOptions o;
    o.type = 0, o.sectorsPerCluster = 4, o.reservedSectors = 1, o.sectorsPerFat = 9, o.rootEntries = 224;
    const auto boot = MakeFatBootSector(o);
    const uint64_t root = 1 + 2 * 9;
    Put(root, 0, MakeDirEntry("A       TXT", 0x20, 3, 10));
    Put(root, 1, MakeDirEntry("BAD?NAMETXT", 0x20, 4, 10)); // invalid: the walk of this piece stops
    Put(root, 2, MakeDirEntry("HIDDEN     ", 0x08));
    Put(root, 64, MakeDirEntry("NEXT PIECE ", 0x08)); // in the second piece (sector root + 4)
    EXPECT_EQ(ReadLabel(boot), "NEXT PIECE");
}

TEST_F(FatLabel, Fat32RootChain)
{
    FatBootOptions o;
    o.type = 2, o.sectorsPerCluster = 1, o.reservedSectors = 32, o.sectorsPerFat = 100, o.rootCluster = 5;
    const auto boot = MakeFatBootSector(o);
    const uint64_t data = 32 + 2 * 100;
    const auto file = MakeDirEntry("FILE    TXT", 0x20, 3, 10);
    auto fill = [&](uint32_t cluster) {
        for (size_t i = 0; i < 16; ++i) Put(data + (cluster - 2), i, file);
    };
    // 5 -> 300 -> 7 -> back to 5: ends without a label once the loop closes.
    fill(5), fill(300), fill(7);
    PutFat32(5, 300), PutFat32(300, 7), PutFat32(7, 5);
    EXPECT_EQ(ReadLabel(boot), "<none>");
    // A label in the third cluster of the chain is found.
    Put(data + 7 - 2, 3, MakeDirEntry("CHAINED    ", 0x08));
    EXPECT_EQ(ReadLabel(boot), "CHAINED");
    // The top four bits are not masked: 0xF0000007 ends the chain before cluster 7.
    PutFat32(300, 0xF0000007);
    EXPECT_EQ(ReadLabel(boot), "<none>");
    // An unreadable FAT ends the walk.
    PutFat32(300, 7);
    disk.FailSector(kStart + 32);
    EXPECT_EQ(ReadLabel(boot), "<none>");
}

TEST(VolumeDetection, KindFromBootSectorAndDeviceLabels)
{
    FatBootOptions o;
    for (int type : {0, 1, 2}) {
        o.type = type;
        o.sectorsPerFat = type == 0 ? 9 : 32;
        EXPECT_EQ(DetectFileSystemKind(MakeFatBootSector(o), 512), type);
        EXPECT_EQ(DetectFileSystemKind(MakeFatBootSector(o), 4096), kFsKindNone) << "sector size must agree";
    }
    EXPECT_EQ(DetectFileSystemKind(MakeNtfsBootSector(1000), 512), kFsKindNtfs);
    EXPECT_EQ(DetectFileSystemKind(std::vector<uint8_t>(512, 0), 512), kFsKindNone);
    EXPECT_EQ(DetectFileSystemKind(std::vector<uint8_t>(100, 0), 512), kFsKindNone);

    testsupport::MemoryDevice fat(LoadFixtureImage("fat32"));
    testsupport::MemoryDevice ntfs(LoadFixtureImage("ntfs_small"));
    char label[100];
    ASSERT_TRUE(ReadVolumeLabel(&fat, kFsKindFat32, label, sizeof label));
    EXPECT_STREQ(label, "DATA32");
    ASSERT_TRUE(ReadVolumeLabel(&ntfs, kFsKindNtfs, label, 6));
    EXPECT_STREQ(label, "Salvi");
    EXPECT_FALSE(ReadVolumeLabel(&ntfs, kFsKindFat16, label, sizeof label));
    EXPECT_FALSE(ReadVolumeLabel(&fat, kFsKindNtfs, label, sizeof label));
    EXPECT_FALSE(ReadVolumeLabel(&fat, kFsKindExt2, label, sizeof label));
    EXPECT_FALSE(ReadVolumeLabel(nullptr, kFsKindFat16, label, sizeof label));
}
