// LZNT1 chunks and compression units: decoding, bounds, padding of short chunks, and the cutting of runs into
// units of 16 clusters.
#include "storage/saving/CompressionUnits.h"
#include "storage/saving/Lznt1.h"

#include "filesystems/tree/DataRunLists.h"
#include "storage/saving/tests/SavingTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using savetest::Bytes;

TEST(Lznt1, HandMadeChunksDecode)
{
    Bytes out(4096, 0xEE);
    // Three literals, then a 9-byte copy from 3 back (overlapping).
    const Bytes abc{0x05, 0xB0, 0x08, 'a', 'b', 'c', 0x06, 0x20};
    ASSERT_EQ(DecompressLznt1Chunk(out.data(), out.size(), abc.data(), abc.size()), 12u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 12), "abcabcabcabc");

    // 17 literals, then a token at position 17, where the distance takes 5 bits: copy 3 from 17 back.
    Bytes shifted{0x15, 0xB0, 0x00};
    for (char c = 'A'; c <= 'H'; ++c) shifted.push_back(uint8_t(c));
    shifted.push_back(0x00);
    for (char c = 'I'; c <= 'P'; ++c) shifted.push_back(uint8_t(c));
    shifted.insert(shifted.end(), {0x02, 'Q', 0x00, 0x80});
    ASSERT_EQ(shifted.size(), 24u);
    ASSERT_EQ(DecompressLznt1Chunk(out.data(), out.size(), shifted.data(), shifted.size()), 20u);
    EXPECT_EQ(std::string(out.begin(), out.begin() + 20), "ABCDEFGHIJKLMNOPQABC");

    // A stored chunk with length field 0xFFF is 4096 bytes as they are.
    Bytes stored{0xFF, 0x3F};
    for (int i = 0; i < 4096; ++i) stored.push_back(uint8_t(i * 7));
    ASSERT_EQ(DecompressLznt1Chunk(out.data(), out.size(), stored.data(), stored.size()), 4096u);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), stored.begin() + 2));
}

TEST(Lznt1, DamagedChunksStayInBounds)
{
    Bytes out(8192, 0xEE);
    // A back-reference before the start of the output gives zeros.
    const Bytes early{0x03, 0xB0, 0x01, 0x00, 0xF0};
    EXPECT_EQ(DecompressLznt1Chunk(out.data(), out.size(), early.data(), early.size()), 3u);
    EXPECT_EQ(out[0], 0);
    // The header claims 4098 bytes but only 10 can be read: decoding stops there.
    Bytes cut{0xFF, 0xBF, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g'};
    EXPECT_EQ(DecompressLznt1Chunk(out.data(), out.size(), cut.data(), cut.size()), 7u);
    // A stored chunk longer than what can be read is cut to it; capacity bounds the output.
    EXPECT_EQ(DecompressLznt1Chunk(out.data(), out.size(), Bytes{0xFF, 0x0F, 1, 2}.data(), 4), 2u);
    EXPECT_EQ(DecompressLznt1Chunk(out.data(), 1, Bytes{0xFF, 0x0F, 1, 2}.data(), 4), 1u);
    EXPECT_EQ(DecompressLznt1Chunk(out.data(), 0, cut.data(), cut.size()), 0u);
    EXPECT_EQ(DecompressLznt1Chunk(out.data(), out.size(), cut.data(), 1), 0u);
    // A token that would repeat past 4096 bytes stops there.
    const Bytes runaway{0x03, 0xB0, 0x02, 'z', 0xFF, 0x0F};
    EXPECT_EQ(DecompressLznt1Chunk(out.data(), out.size(), runaway.data(), runaway.size()), kLznt1ChunkBytes);
}

TEST(Lznt1, UnitsPadShortChunksSoLaterDataKeepsItsPlace)
{
    // Chunk one decodes to 100 bytes only, chunk two to a full 4096: chunk two's data begins at 4096.
    const Bytes first = savetest::Pattern(100, 1);
    const Bytes second = savetest::Pattern(4096, 2);
    Bytes data = savetest::EncodeLznt1Chunk(first.data(), first.size());
    const Bytes encodedSecond = savetest::EncodeLznt1Chunk(second.data(), second.size());
    data.insert(data.end(), encodedSecond.begin(), encodedSecond.end());
    data.resize(data.size() + 2, 0); // end of the chunks

    Bytes unit(65536, 0xEE);
    DecodeCompressionUnit(data.data(), data.size(), unit.data(), unit.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end(), unit.begin()));
    EXPECT_TRUE(std::all_of(unit.begin() + 100, unit.begin() + 4096, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), unit.begin() + 4096));
    EXPECT_TRUE(std::all_of(unit.begin() + 8192, unit.end(), [](uint8_t b) { return b == 0; }));

    // A unit whose first word is 0 is copied as stored; the rest of the unit is zero.
    Bytes raw(5000, 0x5A);
    raw[0] = raw[1] = 0;
    DecodeCompressionUnit(raw.data(), raw.size(), unit.data(), 8192);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), unit.begin()));
    EXPECT_TRUE(std::all_of(unit.begin() + 5000, unit.begin() + 8192, [](uint8_t b) { return b == 0; }));
}

TEST(CompressionUnits, RunsAreCutIntoUnitsOfSixteenClusters)
{
    struct Case {
        const char* name;
        std::vector<DataRun> runs;
        std::vector<CompressionUnitKind> kinds;
        std::vector<uint64_t> clusters;
    };
    const Case cases[] = {
        {"5 data + 11 sparse", {{100, 5}, {-1, 11}}, {kUnitCompressed}, {16}},
        {"16 data", {{100, 16}}, {kUnitStored}, {16}},
        {"16 sparse", {{-1, 16}}, {kUnitEmpty}, {16}},
        {"a run across units", {{100, 20}, {-1, 12}}, {kUnitStored, kUnitCompressed}, {16, 16}},
        {"data split over runs", {{100, 3}, {300, 4}, {-1, 9}, {-1, 16}}, {kUnitCompressed, kUnitEmpty}, {16, 16}},
        {"an incomplete last unit", {{100, 16}, {200, 5}}, {kUnitStored, kUnitStored}, {16, 5}},
        {"an incomplete compressed last unit", {{100, 3}, {-1, 2}}, {kUnitCompressed}, {5}},
        {"empty runs are skipped", {{100, 0}, {-1, 16}}, {kUnitEmpty}, {16}},
        {"no runs", {}, {}, {}},
        {"whole sparse units come at once",
         {{100, 5}, {-1, 11 + 48}, {200, 16}},
         {kUnitCompressed, kUnitEmpty, kUnitStored},
         {16, 48, 16}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFATDataRunList list;
        for (const DataRun& r : c.runs) list.AppendRunCopy(r);
        CCompressionUnitCutter cutter(&list);
        CompressionUnit unit;
        std::vector<CompressionUnitKind> kinds;
        std::vector<uint64_t> clusters;
        while (cutter.Next(unit)) {
            kinds.push_back(unit.kind);
            clusters.push_back(unit.clusters);
        }
        EXPECT_EQ(kinds, c.kinds);
        EXPECT_EQ(clusters, c.clusters);
    }

    // The pieces follow the clusters: a 20-cluster run continues at cluster 116 in the second unit.
    CFATDataRunList list;
    list.AppendRun(100, 20);
    list.AppendRun(-1, 12);
    CCompressionUnitCutter cutter(&list);
    CompressionUnit unit;
    ASSERT_TRUE(cutter.Next(unit));
    ASSERT_TRUE(cutter.Next(unit));
    ASSERT_EQ(unit.pieces.size(), 2u);
    EXPECT_EQ(unit.pieces[0].firstCluster, 116);
    EXPECT_EQ(unit.pieces[0].length, 4u);
    EXPECT_TRUE(unit.pieces[1].IsSparse());

    // A sparse run of 2^40 clusters is one step.
    CFATDataRunList huge;
    huge.AppendRun(-1, uint64_t(1) << 40);
    CCompressionUnitCutter hugeCutter(&huge);
    ASSERT_TRUE(hugeCutter.Next(unit));
    EXPECT_EQ(unit.kind, kUnitEmpty);
    EXPECT_EQ(unit.clusters, uint64_t(1) << 40);
    EXPECT_FALSE(hugeCutter.Next(unit));

    // Clusters from the limit on (past the device) are sparse and counted: a run crossing it keeps its data
    // part; one beyond it is a hole.
    CFATDataRunList crossing;
    crossing.AppendRun(990, 16);
    crossing.AppendRun(5000, 32);
    CCompressionUnitCutter limited(&crossing, 16, 1000);
    ASSERT_TRUE(limited.Next(unit));
    EXPECT_EQ(unit.kind, kUnitCompressed);
    EXPECT_EQ(unit.outsideClusters, 6u);
    ASSERT_TRUE(limited.Next(unit));
    EXPECT_EQ(unit.kind, kUnitEmpty);
    EXPECT_EQ(unit.clusters, 32u);
    EXPECT_EQ(unit.outsideClusters, 32u);
}
