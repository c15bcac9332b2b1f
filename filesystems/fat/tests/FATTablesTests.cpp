// FAT copies: loading bounds, signatures, chain checks and next-cluster values of the three widths.
#include "filesystems/fat/FATStructures.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/fat/tests/FATTestBytes.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using fattest::Put16;
using fattest::Put32;

namespace {

// A FAT16 copy of `sectors` sectors with the given links (cluster -> next); everything else free.
std::vector<uint8_t> Fat16Bytes(const std::map<uint32_t, uint16_t>& links, uint32_t sectors = 12)
{
    std::vector<uint8_t> t(sectors * 512, 0);
    Put16(&t[0], 0xFFF8);
    Put16(&t[2], 0xFFFF);
    for (auto [c, v] : links) Put16(&t[c * 2], v);
    return t;
}

std::vector<uint8_t> Fat32Bytes(const std::map<uint32_t, uint32_t>& links, uint32_t sectors = 256)
{
    std::vector<uint8_t> t(sectors * 512, 0);
    Put32(&t[0], 0x0FFFFFF8);
    Put32(&t[4], 0x0FFFFFFF);
    for (auto [c, v] : links) Put32(&t[c * 4], v);
    return t;
}

} // namespace

TEST(FATTables, Fat16ChainChecks)
{
    struct Case {
        const char* what;
        std::map<uint32_t, uint16_t> links;
        bool valid;
    };
    const Case cases[] = {
        {"a chain and a lone cluster", {{3, 4}, {4, 5}, {5, 0xFFFF}, {9, 0xFFF8}}, true},
        {"a chain running backwards", {{10, 9}, {9, 8}, {8, 7}, {7, 0xFFFF}}, true},
        {"bad cluster mark", {{3, 0xFFF7}}, true},
        {"5 and 9 both lead to 7", {{5, 7}, {9, 7}, {7, 0xFFFF}}, false},
        {"6 leads to itself", {{6, 6}}, false},
        {"loop of three", {{20, 21}, {21, 22}, {22, 20}}, false},
        {"a loop beside a good chain", {{3, 0xFFFF}, {30, 31}, {31, 30}}, false},
        {"value 1", {{4, 1}}, false},
        {"past the table", {{4, 0xFFF0}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CFAT16Table(Fat16Bytes(c.links), 512).IsValid(), c.valid);
    }
    auto noSignature = Fat16Bytes({});
    noSignature[0] = 0xF5; // no media descriptor

    EXPECT_FALSE(CFAT16Table(noSignature, 512).IsValid());
}

TEST(FATTables, Fat16NextClusterValues)
{
    CFAT16Table t(Fat16Bytes({{3, 4}, {4, 0xFFF7}, {5, 0xFFF8}, {6, 0xFFFF}}), 512);
    ASSERT_TRUE(t.IsLoaded());
    EXPECT_EQ(t.GetEntryCount(), 12u * 256);
    EXPECT_EQ(t.GetNextCluster(3), 4u);
    EXPECT_EQ(t.GetNextCluster(4), fat::kBadCluster);
    EXPECT_EQ(t.GetNextCluster(5), fat::kEndOfChain);
    EXPECT_EQ(t.GetNextCluster(6), fat::kEndOfChain);
    EXPECT_EQ(t.GetNextCluster(12 * 256), 0u);
}

TEST(FATTables, Fat32MasksTheReservedUpperBits)
{
    CFAT32Table t(Fat32Bytes({{2, 0xF0000003}, {3, 0xFFFFFFFF}, {4, 0x10000005}, {5, 0x0FFFFFF8}}), 512);
    EXPECT_TRUE(t.IsValid());
    EXPECT_EQ(t.GetNextCluster(2), 3u);
    EXPECT_EQ(t.GetNextCluster(3), 0x0FFFFFFFu);
    EXPECT_EQ(t.GetNextCluster(4), 5u);
    EXPECT_TRUE(fat::IsChainEnd(t.GetNextCluster(5)));
    EXPECT_EQ(t.GetNextCluster(256 * 128), 0u);

    EXPECT_FALSE(CFAT32Table(Fat32Bytes({{7, 7}}), 512).IsValid());
    EXPECT_FALSE(CFAT32Table(Fat32Bytes({{7, 8}, {9, 8}}), 512).IsValid());
}

TEST(FATTables, Fat12NibblesAndMarks)
{
    std::vector<uint8_t> t(9 * 512, 0);
    t[0] = 0xF0;
    t[1] = 0xFF;
    t[2] = 0xFF;
    auto put12 = [&](uint32_t c, uint16_t v) {
        const size_t at = c * 3 / 2;
        uint16_t w = uint16_t(t[at] | t[at + 1] << 8);
        w = (c & 1) ? uint16_t((w & 0x000F) | v << 4) : uint16_t((w & 0xF000) | v);
        t[at] = uint8_t(w);
        t[at + 1] = uint8_t(w >> 8);
    };
    put12(2, 3);
    put12(3, 0xABC);
    put12(4, 0xFF7);
    put12(5, 0xFFF);
    put12(6, 0xFF8);
    CFAT12Table table(t, 512);
    EXPECT_TRUE(table.IsValid());
    EXPECT_EQ(table.GetNextCluster(2), 3u);
    EXPECT_EQ(table.GetNextCluster(3), 0xABCu); // odd: upper twelve bits of the word
    EXPECT_EQ(table.GetNextCluster(4), fat::kBadCluster);
    EXPECT_EQ(table.GetNextCluster(5), fat::kEndOfChain);
    EXPECT_EQ(table.GetNextCluster(6), fat::kEndOfChain);
    EXPECT_EQ(table.GetNextCluster(3071), 0u); // its word would end past the table
    EXPECT_EQ(table.GetNextCluster(0xFFFFFFFF), 0u);

    std::vector<uint8_t> noSig = t;
    noSig[1] = 0x00;
    EXPECT_FALSE(CFAT12Table(noSig, 512).IsValid());
    EXPECT_FALSE(CFAT12Table(std::vector<uint8_t>(13 * 512, 0xFF), 512).IsLoaded());
}

TEST(FATTables, LoadBoundsAndFallbackToTheSecondCopy)
{
    // FAT32 copies at sectors 32 (255 sectors, too small to be plausible) on a device that holds both.
    testsupport::MemoryDevice dev(2000);
    auto copy = Fat32Bytes({{2, 3}, {3, 0x0FFFFFFF}}, 255);
    dev.Write(32 * 512, copy.data(), copy.size());
    dev.Write((32 + 255) * 512, copy.data(), copy.size());

    CFAT32Table small(&dev, 32, 255);
    EXPECT_FALSE(small.IsLoaded());
    EXPECT_FALSE(small.IsValid());
    auto both = CreateDoubleFATTable(&dev, 32, 2, 255, true, true);
    EXPECT_EQ(both->GetNextCluster(2), 0u);

    // FAT16: first copy broken (a loop), second good; the second is read only when the first fails.
    testsupport::MemoryDevice dev16(200);
    auto bad = Fat16Bytes({{5, 6}, {6, 5}});
    auto good = Fat16Bytes({{5, 6}, {6, 0xFFFF}});
    dev16.Write(1 * 512, bad.data(), bad.size());
    dev16.Write(13 * 512, good.data(), good.size());
    auto fallback = CreateDoubleFATTable(&dev16, 1, 1, 12, true, true);
    EXPECT_EQ(fallback->GetFirstCopy(), nullptr);
    ASSERT_NE(fallback->GetSecondCopy(), nullptr);
    EXPECT_EQ(fallback->GetNextCluster(5), 6u);
    EXPECT_EQ(fallback->GetNextCluster(6), fat::kEndOfChain);
    EXPECT_EQ(CreateDoubleFATTable(&dev16, 1, 1, 12, true, false)->GetNextCluster(5), 0u);
    EXPECT_EQ(CreateDoubleFATTable(&dev16, 1, 1, 12, false, false)->GetNextCluster(5), 0u);
    EXPECT_EQ(CreateDoubleFATTable(&dev16, 1, 7, 12, true, true)->GetNextCluster(5), 0u);

    dev16.ResetCounters();
    auto firstOnly = CreateDoubleFATTable(&dev16, 13, 1, 12, true, true);
    EXPECT_NE(firstOnly->GetFirstCopy(), nullptr);
    EXPECT_EQ(dev16.ReadCount(), 1u);

    // A copy that would run past the device, or a failing read, stays unloaded.
    EXPECT_FALSE(CFAT16Table(&dev16, 195, 12).IsLoaded());
    dev16.FailSector(20);
    EXPECT_FALSE(CFAT16Table(&dev16, 13, 12).IsLoaded());
}

TEST(FATTables, TableStartSignatures)
{
    const uint8_t f32[8] = {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF};
    const uint8_t f16[8] = {0xF8, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    const uint8_t f12[8] = {0xF0, 0xFF, 0xFF, 0x00, 0, 0, 0, 0};
    EXPECT_TRUE(IsFAT32TableStart(f32));
    EXPECT_TRUE(IsFAT16or32TableStart(f16));
    EXPECT_FALSE(IsFAT16or32TableStart(f12));
    EXPECT_TRUE(IsFAT12TableStart(f12));
    EXPECT_FALSE(IsFAT16or32TableStart(std::span<const uint8_t>(f32, 3)));
}

// Entry 0 carries the media descriptor (0xF0 or 0xF8 to 0xFF), the boot sector's when it names one; the
// dirty and error flags of entry 1 may be clear.
TEST(FATTables, TableStartsCarryAnyAllowedMediaByte)
{
    struct Case {
        int type;
        std::vector<uint8_t> bytes;
        int media;
        bool start;
    };
    const Case cases[] = {
        {2, {0xF0, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F}, -1, true},
        {2, {0xFA, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F}, 0xFA, true},
        {2, {0xFA, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F}, 0xF8, false}, // not the boot sector's
        {2, {0xFA, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F}, 0x00, true},  // the boot sector names none
        {2, {0xF8, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x03}, 0xF8, true},  // dirty, with errors
        {2, {0xF5, 0xFF, 0xFF, 0x0F, 0xFF, 0xFF, 0xFF, 0x0F}, -1, false},   // no media byte
        {2, {0xF8, 0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00, 0x00}, -1, false},
        {1, {0xF0, 0xFF, 0xFF, 0xFF}, 0xF0, true},
        {1, {0xFF, 0xFF, 0xFF, 0x7F}, 0xFF, true},
        {1, {0xF9, 0xFF, 0xFF, 0xFF}, 0xF8, false},
        {1, {0xF8, 0xFF, 0xFF, 0x0F}, -1, false}, // a FAT32 copy
        {1, {0xE8, 0xFF, 0xFF, 0xFF}, -1, false},
        {0, {0xF0, 0xFF, 0xFF}, 0xF0, true},
        {0, {0xFD, 0xFF, 0xFF}, 0xFD, true},
        {0, {0xFD, 0xFF, 0xFF}, 0xF0, false},
        {0, {0xF3, 0xFF, 0xFF}, -1, false},
        {0, {0xF0, 0xFF}, -1, false},
        {7, {0xF8, 0xFF, 0xFF, 0xFF}, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " media " << c.media << " first 0x" << std::hex
                                        << int(c.bytes[0]));
        EXPECT_EQ(IsFATTableStart(c.bytes, c.type, c.media), c.start);
    }
    for (unsigned m = 0; m < 256; ++m) EXPECT_EQ(IsFATMediaByte(m), m == 0xF0 || m >= 0xF8) << m;
}

// A FAT16 copy of a volume made with media 0xF0 is a trusted table, so its chains are followed.
TEST(FATTables, CopiesWithAnotherMediaByteAreValid)
{
    std::vector<uint8_t> t16(12 * 512, 0);
    t16[0] = 0xF0;
    t16[1] = t16[2] = t16[3] = 0xFF;
    t16[4] = 3;             // 2 -> 3
    t16[6] = t16[7] = 0xFF; // 3 ends
    CFAT16Table table(t16, 512);
    EXPECT_TRUE(table.IsValid());
    EXPECT_EQ(table.GetNextCluster(2), 3u);
}
