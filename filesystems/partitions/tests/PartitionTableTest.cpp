// Partition-table reading: the sfdisk-made MBR and GPT images against their manifests, and byte-built
// tables for the edges (dynamic disks, damaged sectors, chains that loop, sizes that disagree).
#include "filesystems/partitions/CPartitionTableAnalyze.h"

#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/GptPartitionTypes.h"
#include "filesystems/partitions/tests/PartitionTestSupport.h"
#include "filesystems/tree/CFileNode.h"
#include "tests/support/LogCapture.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace parttest;

namespace {

CBasicPartitionList Read(IStorageDevice& device, bytes::ParseResult* result = nullptr)
{
    CBasicPartitionList list;
    CPartitionTableAnalyze analyser;
    const int n = analyser.ReadPartitions(&device, list);
    EXPECT_EQ(n, int(list.size()));
    if (result) *result = analyser.GetResult();
    return list;
}

// Entry starts and counts, for compact comparisons.
std::vector<std::pair<uint64_t, uint64_t>> Extents(const CBasicPartitionList& list)
{
    std::vector<std::pair<uint64_t, uint64_t>> out;
    for (const auto& e : list) out.emplace_back(e.u64StartSector, e.u64SectorCount);
    return out;
}

using Extent = std::pair<uint64_t, uint64_t>;

void PutGptEntry(SparseDevice& disk, int index, const char* typeGuid, uint64_t firstLba, uint64_t lastLba)
{
    // Text GUID -> on-disk bytes (first three fields little-endian).
    unsigned d1, d2, d3, b[8];
    ASSERT_EQ(std::sscanf(typeGuid, "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3],
                          &b[4], &b[5], &b[6], &b[7]),
              11);
    std::vector<uint8_t> entry(128, 0);
    for (int i = 0; i < 4; ++i) entry[size_t(i)] = uint8_t(d1 >> (8 * i));
    entry[4] = uint8_t(d2), entry[5] = uint8_t(d2 >> 8), entry[6] = uint8_t(d3), entry[7] = uint8_t(d3 >> 8);
    for (int i = 0; i < 8; ++i) entry[size_t(8 + i)] = uint8_t(b[i]);
    for (int i = 0; i < 8; ++i) entry[size_t(32 + i)] = uint8_t(firstLba >> (8 * i));
    for (int i = 0; i < 8; ++i) entry[size_t(40 + i)] = uint8_t(lastLba >> (8 * i));
    const size_t sectorSize = size_t(disk.GetSectorSize());
    const size_t at = size_t(index) * 128;
    auto& sector = disk.Sector(2 + at / sectorSize);
    std::memcpy(sector.data() + at % sectorSize, entry.data(), entry.size());
}

void MakeProtectiveMbr(SparseDevice& disk)
{
    auto mbr = EmptyMbr(size_t(disk.GetSectorSize()));
    PutMbrEntry(mbr, 0, 0xEE, 1, uint32_t(disk.GetSectorCount() - 1));
    disk.Write(0, mbr);
}

constexpr const char* kBasicData = "EBD0A0A2-B9E5-4433-87C0-68B6B72699C7";

} // namespace

class PartitionFixture : public ::testing::TestWithParam<const char*> {};

// The images made by tests/fixtures/make_partition_images.sh: every manifest entry in order, with its file
// system and label, and a window that reads the entry's own sectors.
TEST_P(PartitionFixture, ReadsTheTableAsTheManifestSays)
{
    const std::string name = GetParam();
    const PartitionManifest manifest = LoadPartitionManifest(name);
    std::vector<uint8_t> bytes = LoadFixtureImage(name);
    ASSERT_FALSE(bytes.empty()) << name;
    ASSERT_FALSE(manifest.entries.empty());
    testsupport::MemoryDevice disk(std::move(bytes), manifest.sectorSize);

    bytes::ParseResult result;
    const CBasicPartitionList list = Read(disk, &result);
    EXPECT_EQ(result.status, bytes::ParseStatus::Ok);
    ASSERT_EQ(list.size(), manifest.entries.size());
    for (size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(name + " entry " + std::to_string(i));
        const CBasicPartitionInfo& got = list[i];
        const ManifestEntry& want = manifest.entries[i];
        EXPECT_EQ(got.u64StartSector, want.start);
        EXPECT_EQ(got.u64SectorCount, want.count);
        EXPECT_STREQ(GetFileSystemName(got.nFileSystemKind), want.fileSystem.c_str());
        EXPECT_STREQ(got.szLabel, want.label.c_str());
        EXPECT_EQ(got.cDriveLetter, 0);
        ASSERT_TRUE(got.pWindow);
        EXPECT_EQ(got.pWindow->GetParent(), &disk);
        EXPECT_EQ(got.pWindow->GetStartSector(), want.start);
        EXPECT_EQ(got.pWindow->GetSectorCount(), want.count);
        EXPECT_EQ(got.pWindow->GetSectorSize(), manifest.sectorSize);
        // The window's sector 0 is the disk's first sector of the entry.
        std::vector<uint8_t> viaWindow(size_t(manifest.sectorSize)), viaDisk(size_t(manifest.sectorSize));
        ASSERT_TRUE(got.pWindow->ReadSectors(viaWindow.data(), 0, 1));
        ASSERT_TRUE(disk.ReadSectors(viaDisk.data(), want.start, 1));
        EXPECT_EQ(viaWindow, viaDisk);
    }
}

INSTANTIATE_TEST_SUITE_P(Images, PartitionFixture, ::testing::Values("part-mbr", "part-gpt", "part-gpt-4k"),
                         [](const auto& info) {
                             std::string n = info.param;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });

TEST(PartitionTable, TypeGuidsAreTakenByTheTable)
{
    const auto types = GetGptPartitionTypes();
    ASSERT_EQ(types.size(), 52u);
    for (size_t i = 0; i < types.size(); ++i) EXPECT_EQ(types[i].number, i + 1);
    uint8_t guid[16] = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44, 0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
    EXPECT_EQ(FormatGptGuid(guid), kBasicData);
    EXPECT_TRUE(IsGptPartitionTypeTaken(guid));
    // Rows 25 and 35 share a GUID; the first row answers.
    uint8_t zfs[16] = {0xC3, 0x8C, 0x89, 0x6A, 0xD2, 0x1D, 0xB2, 0x11, 0x99, 0xA6, 0x08, 0x00, 0x20, 0x73, 0x66, 0x31};
    ASSERT_NE(FindGptPartitionType(zfs), nullptr);
    EXPECT_EQ(FindGptPartitionType(zfs)->number, 25);
    uint8_t zero[16] = {};
    EXPECT_FALSE(IsGptPartitionTypeTaken(zero));
}

// A file system's own size replaces the table's; when they differ by two cylinders (32130 sectors) or more,
// the table's reading comes first, then the file system's.
TEST(PartitionTable, FileSystemSizeAgainstTableSize)
{
    struct Case {
        const char* name;
        uint32_t tableCount;
        uint64_t fsSectors;
        std::vector<Extent> want;
    } cases[] = {
        {"same size", 1000000, 1000000, {{2048, 1000000}}},
        {"larger file system", 1000000, 1040000, {{2048, 1000000}, {2048, 1040000}}},
        {"difference 32129", 1000000, 1032129, {{2048, 1032129}}},
        {"difference 32130", 1000000, 1032130, {{2048, 1000000}, {2048, 1032130}}},
        {"smaller by 32130", 1032130, 1000000, {{2048, 1032130}, {2048, 1000000}}},
        {"file system past the disk end", 1000000, 2000000, {{2048, 1000000}}},
        {"file system states 0 sectors", 1000000, 0, {{2048, 1000000}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SparseDevice disk(1100000);
        auto mbr = EmptyMbr();
        PutMbrEntry(mbr, 0, 0x07, 2048, c.tableCount, 0x80);
        disk.Write(0, mbr);
        disk.Write(2048, MakeNtfsBootSector(c.fsSectors));
        const CBasicPartitionList list = Read(disk);
        EXPECT_EQ(Extents(list), c.want);
        for (const auto& e : list) EXPECT_EQ(e.nFileSystemKind, kFsKindNtfs);
    }
}

TEST(PartitionTable, MbrEdges)
{
    struct Case {
        const char* name;
        void (*build)(SparseDevice&);
        std::vector<Extent> want;
        bytes::ParseStatus status = bytes::ParseStatus::Ok;
    } cases[] = {
        {"dynamic-disk entry: nothing at all",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x07, 2048, 4096);
             PutMbrEntry(mbr, 1, 0x42, 8192, 4096);
             d.Write(0, mbr);
         },
         {}},
        {"0xEE in the second entry is a plain MBR",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 2048, 4096);
             PutMbrEntry(mbr, 1, 0xEE, 8192, 4096);
             d.Write(0, mbr);
         },
         {{2048, 4096}, {8192, 4096}}},
        {"no signature",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 2048, 4096);
             mbr[511] = 0;
             d.Write(0, mbr);
         },
         {}},
        {"a boot indicator other than 0x00 and 0x80 rejects the sector",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 2048, 4096);
             PutMbrEntry(mbr, 1, 0x83, 8192, 4096, 0x01);
             d.Write(0, mbr);
         },
         {}},
        {"entry past the end is dropped, entry reaching past it is shortened, count 0 takes the rest",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 70000, 100);
             PutMbrEntry(mbr, 1, 0x83, 60000, 20000);
             PutMbrEntry(mbr, 2, 0x83, 50000, 0);
             d.Write(0, mbr);
         },
         {{60000, 5536}, {50000, 15536}}},
        {"unused slot with stray bytes but type 0",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x00, 0, 0);
             mbr[446 + 1] = 0xFE; // CHS bytes left behind by a tool
             PutMbrEntry(mbr, 1, 0x83, 2048, 4096);
             d.Write(0, mbr);
         },
         {{2048, 4096}}},
        {"logical partitions through 0x05, 0x0F and 0x85 links, data relative to each EBR",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 2048, 4096);
             PutMbrEntry(mbr, 1, 0x85, 10000, 50000);
             d.Write(0, mbr);
             auto ebr1 = EmptyMbr();
             PutMbrEntry(ebr1, 0, 0x83, 100, 1000);
             PutMbrEntry(ebr1, 1, 0x0F, 5000, 2000); // next EBR at 10000 + 5000
             d.Write(10000, ebr1);
             auto ebr2 = EmptyMbr();
             PutMbrEntry(ebr2, 0, 0x07, 63, 1500);
             PutMbrEntry(ebr2, 1, 0x05, 9000, 2000); // next EBR at 19000
             d.Write(15000, ebr2);
             auto ebr3 = EmptyMbr();
             PutMbrEntry(ebr3, 0, 0x0B, 63, 1800);
             d.Write(19000, ebr3);
         },
         {{2048, 4096}, {10100, 1000}, {15063, 1500}, {19063, 1800}}},
        {"a chain whose last link points back to the first EBR",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x05, 10000, 50000);
             d.Write(0, mbr);
             auto ebr1 = EmptyMbr();
             PutMbrEntry(ebr1, 0, 0x83, 100, 1000);
             PutMbrEntry(ebr1, 1, 0x05, 5000, 2000);
             d.Write(10000, ebr1);
             auto ebr2 = EmptyMbr();
             PutMbrEntry(ebr2, 0, 0x83, 100, 1000);
             PutMbrEntry(ebr2, 1, 0x05, 0, 2000); // back to 10000
             d.Write(15000, ebr2);
         },
         {{10100, 1000}, {15100, 1000}}},
        {"an EBR whose data entry is already listed is not read further",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 10100, 1000);
             PutMbrEntry(mbr, 1, 0x05, 10000, 50000);
             d.Write(0, mbr);
             auto ebr = EmptyMbr();
             PutMbrEntry(ebr, 0, 0x83, 100, 1000);  // same start as the primary
             PutMbrEntry(ebr, 1, 0x83, 3000, 1000); // never reached
             d.Write(10000, ebr);
         },
         {{10100, 1000}}},
        {"an unreadable EBR keeps what was found before it",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 2048, 4096);
             PutMbrEntry(mbr, 1, 0x05, 10000, 50000);
             PutMbrEntry(mbr, 2, 0x83, 60000, 1000);
             d.Write(0, mbr);
             d.FailSector(10000);
         },
         {{2048, 4096}, {60000, 1000}},
         bytes::ParseStatus::IoFailure},
        {"an EBR without a signature is skipped as corrupt",
         [](SparseDevice& d) {
             auto mbr = EmptyMbr();
             PutMbrEntry(mbr, 0, 0x83, 2048, 4096);
             PutMbrEntry(mbr, 1, 0x05, 10000, 50000);
             d.Write(0, mbr);
             auto ebr = EmptyMbr();
             PutMbrEntry(ebr, 0, 0x83, 100, 1000);
             ebr[510] = 0;
             d.Write(10000, ebr);
         },
         {{2048, 4096}},
         bytes::ParseStatus::Corrupt},
        {"unreadable sector 0", [](SparseDevice& d) { d.FailSector(0); }, {}, bytes::ParseStatus::IoFailure},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SparseDevice disk(65536);
        c.build(disk);
        bytes::ParseResult result;
        const CBasicPartitionList list = Read(disk, &result);
        EXPECT_EQ(Extents(list), c.want);
        EXPECT_EQ(result.status, c.status) << bytes::ParseStatusName(result.status);
        for (const auto& e : list) EXPECT_EQ(e.nFileSystemKind, kFsKindNone);
    }
}

TEST(PartitionTable, WholeDeviceFileSystemComesFirst)
{
    // A FAT boot sector at sector 0, no partition table: one entry covering the volume.
    SparseDevice disk(100000);
    FatBootOptions fat;
    fat.totalSectors = 65536;
    disk.Write(0, MakeFatBootSector(fat));
    CBasicPartitionList list = Read(disk);
    ASSERT_EQ(Extents(list), (std::vector<Extent>{{0, 65536}}));
    EXPECT_EQ(list[0].nFileSystemKind, kFsKindFat16);

    // A size beyond the device is cut to it.
    SparseDevice small(30000);
    small.Write(0, MakeFatBootSector(fat));
    EXPECT_EQ(Extents(Read(small)), (std::vector<Extent>{{0, 30000}}));
}

TEST(PartitionTable, GptEdges)
{
    SparseDevice disk(100000);
    MakeProtectiveMbr(disk);
    PutGptEntry(disk, 0, "E3C9E316-0B5C-4DB8-817D-F92DF00215AE", 2048, 4095);   // Microsoft reserved: listed
    PutGptEntry(disk, 1, "024DEE41-33E7-11D3-9D69-0008C781F39F", 8192, 9000);   // MBR scheme: not listed
    PutGptEntry(disk, 2, "01234567-89AB-CDEF-0123-456789ABCDEF", 10000, 11000); // unknown: not listed
    PutGptEntry(disk, 3, kBasicData, 20000, 150000);                            // shortened to the device
    PutGptEntry(disk, 4, kBasicData, 200000, 210000);                           // starts past the end
    PutGptEntry(disk, 127, kBasicData, 30000, 29000);                           // last before first: rest of disk
    disk.Write(40000, MakeNtfsBootSector(5000));
    PutGptEntry(disk, 5, kBasicData, 40000, 49999); // file system says 5000
    EXPECT_EQ(Extents(Read(disk)), (std::vector<Extent>{{2048, 2048}, {20000, 80000}, {40000, 5000}, {30000, 70000}}));

    // An unreadable entry array gives nothing, and says so.
    disk.FailSector(3);
    bytes::ParseResult result;
    EXPECT_TRUE(Read(disk, &result).empty());
    EXPECT_EQ(result.status, bytes::ParseStatus::IoFailure);
    EXPECT_EQ(result.counters.readFailures, 1u);
}

TEST(PartitionTable, AFailedReadIsNeverTakenForAnEmptyTable)
{
    // Both disks list nothing; only the one whose first sector could be read has an empty table.
    testsupport::MemoryDevice blank(4096);
    bytes::ParseResult result;
    EXPECT_TRUE(Read(blank, &result).empty());
    EXPECT_EQ(result.status, bytes::ParseStatus::Ok);
    EXPECT_EQ(result.counters.recordsRead, 1u);

    testsupport::MemoryDevice failing(4096);
    failing.FailSector(0);
    testsupport::LogCapture log;
    EXPECT_TRUE(Read(failing, &result).empty());
    EXPECT_EQ(result.status, bytes::ParseStatus::IoFailure);
    EXPECT_EQ(result.counters.readFailures, 1u);
    EXPECT_EQ(result.counters.recordsRead, 0u);
    EXPECT_TRUE(log.Contains("Partition table: reading 1 sectors at sector 0 failed")) << log.Text();

    // The verdict belongs to the last call.
    failing.ClearFailures();
    Read(failing, &result);
    EXPECT_EQ(result.status, bytes::ParseStatus::Ok);
}

TEST(PartitionTable, GptEntriesAreReadBySectorSize)
{
    // With 4096-byte sectors the 128 entries fill sectors 2 to 5; the last entry lies in sector 5.
    SparseDevice disk(10000, 4096);
    MakeProtectiveMbr(disk);
    PutGptEntry(disk, 0, kBasicData, 256, 511);
    PutGptEntry(disk, 127, kBasicData, 1024, 2047);
    EXPECT_EQ(Extents(Read(disk)), (std::vector<Extent>{{256, 256}, {1024, 1024}}));
}
