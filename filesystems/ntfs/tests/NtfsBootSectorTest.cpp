// Boot-sector recognition and the record sizes it declares.
#include "filesystems/ntfs/CNTFSDBR.h"

#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

using namespace testsupport;

TEST(NtfsBootSector, ValidSectorAndItsFields)
{
    Bytes b = MakeNtfsBootSector(512, 8, -10, 20000, 4, 1250, 0xABCDEF);
    ASSERT_TRUE(IsNtfsBootSector(b));
    CNTFSDBR dbr;
    ASSERT_TRUE(dbr.Attach(b));
    EXPECT_EQ(dbr.GetTotalSectors(), 20000u);
    EXPECT_EQ(dbr.GetMftCluster(), 4u);
    EXPECT_EQ(dbr.GetMftMirrCluster(), 1250u);
    EXPECT_EQ(dbr.GetSectorsPerCluster(), 8);
    EXPECT_EQ(dbr.GetSerialNumber(), 0xABCDEFu);
    EXPECT_EQ(dbr.GetBytesPerFileRecord(), 1024u);
    EXPECT_EQ(dbr.GetBytesPerIndexRecord(), 4096u);
    const auto oem = dbr.GetOemId();
    EXPECT_EQ(std::string(oem.begin(), oem.end()), "NTFS    ");
}

TEST(NtfsBootSector, OemIdIgnoresCaseAndShortBuffersFail)
{
    Bytes b = MakeNtfsBootSector();
    const char lower[] = "ntfs    ";
    for (int i = 0; i < 8; ++i) b[3 + i] = uint8_t(lower[i]);
    EXPECT_TRUE(HasNtfsOemId(b));
    EXPECT_TRUE(IsNtfsBootSector(b));
    EXPECT_FALSE(HasNtfsOemId({}));
    EXPECT_FALSE(IsNtfsBootSector(std::span<const uint8_t>(b).first(511)));
}

TEST(NtfsBootSector, DamagedFieldsAreRefusedAndAttachKeepsTheOldCopy)
{
    struct Case {
        const char* name;
        size_t offset;
        uint64_t value;
        unsigned width;
    };
    const Case cases[] = {
        {"reserved sectors", 0x0E, 1, 2},
        {"sectors per cluster 3", 0x0D, 3, 1},
        {"sectors per cluster 0", 0x0D, 0, 1},
        {"bytes per sector 0", 0x0B, 0, 2},
        {"bytes per sector 1536 (multiple of 512, not a power of two)", 0x0B, 1536, 2},
        {"bytes per sector 8192", 0x0B, 8192, 2},
        {"byte 0x10", 0x10, 1, 1},
        {"byte 0x16", 0x16, 1, 1},
        {"byte 0x23", 0x23, 1, 1},
        {"end marker", 511, 0x55, 1},
        {"OEM id", 3, 'X', 1},
        {"record size 8192 (2 clusters of 4096)", 0x40, 2, 1},
        {"record size 2^128", 0x40, 0x80, 1},
        {"record size 512", 0x40, 0xF7, 1},
    };
    CNTFSDBR dbr;
    ASSERT_TRUE(dbr.Attach(MakeNtfsBootSector(512, 8, -10, 777)));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = MakeNtfsBootSector(512, 8, -10, 999);
        PutLe(b, c.offset, c.value, c.width);
        EXPECT_FALSE(IsNtfsBootSector(b));
        EXPECT_FALSE(dbr.Attach(b));
        EXPECT_EQ(dbr.GetTotalSectors(), 777u);
    }
}

TEST(NtfsBootSector, FileRecordSizeIsAPowerOfTwoBetweenSectorAnd4096)
{
    struct Case {
        uint16_t bytesPerSector;
        uint8_t sectorsPerCluster;
        int8_t clustersPerRecord;
        uint32_t expected;
    };
    const Case cases[] = {
        {512, 8, -10, 1024},                                          // 0xF6
        {512, 8, 0, 1024},    {512, 8, -12, 4096}, {512, 2, 1, 1024}, // one cluster of 1024
        {512, 8, 2, 0},                                               // 8192: larger than any record the readers accept
        {512, 8, -13, 0},     {512, 8, -128, 0},                      // a shift of 128 bits
        {512, 1, 1, 0},                                               // 512
        {512, 3, 1, 0},                                               // 1536: not a power of two
        {4096, 1, -10, 0},                                            // 1024-byte records on 4096-byte sectors
        {4096, 1, -12, 4096}, {4096, 1, 1, 4096},  {2048, 1, 0, 0},   // the default 1024 is below the sector size
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytesPerSector << "/" << int(c.sectorsPerCluster) << "/"
                                        << int(c.clustersPerRecord));
        const Bytes b = MakeNtfsBootSector(c.bytesPerSector, c.sectorsPerCluster, c.clustersPerRecord);
        EXPECT_EQ(GetBytesPerFileRecord(b), c.expected);
        EXPECT_EQ(IsNtfsBootSector(b), c.expected != 0);
    }
}

TEST(NtfsBootSector, IndexRecordSizeRangeReachesSixtyFourKiB)
{
    Bytes b = MakeNtfsBootSector(512, 8);
    b[0x44] = uint8_t(int8_t(-16));
    EXPECT_EQ(GetBytesPerIndexRecord(b), 65536u);
    b[0x44] = uint8_t(int8_t(-17));
    EXPECT_EQ(GetBytesPerIndexRecord(b), 0u);
    b[0x44] = 0;
    EXPECT_EQ(GetBytesPerIndexRecord(b), 0u);
    b[0x44] = 16; // 16 clusters of 4096
    EXPECT_EQ(GetBytesPerIndexRecord(b), 65536u);
}
