// Run lists: cursor, merging, stream forms, and the mapping-pair packing with its golden bytes, widths,
// malformed input and random round trips.
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/MappingPairs.h"
#include "filesystems/tree/PackedDataRun.h"

#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <random>

using testsupport::MemoryRSData;

namespace {

std::vector<DataRun> RunsOf(IDataRunList& list)
{
    std::vector<DataRun> out;
    for (const DataRun* r = list.First(); r; r = list.Next()) out.push_back(*r);
    return out;
}

std::vector<uint8_t> Pack(std::initializer_list<DataRun> runs)
{
    CFATDataRunList list;
    for (const DataRun& r : runs) list.AppendRunCopy(r);
    auto packed = PackDataRunList(&list);
    return packed ? packed->GetBytes() : std::vector<uint8_t>{};
}

template <class F>
int CodeOf(F&& f)
{
    try {
        f();
    } catch (const CRSException& e) {
        return e.GetCode();
    }
    return 0;
}

} // namespace

TEST(DataRuns, GoldenMappingPairsAndTheirStreamForm)
{
    const std::vector<uint8_t> golden{0x11, 0x08, 0x64, 0x01, 0x04, 0x11, 0x10, 0xF6, 0x00};
    CExt2DataRunList list;
    list.AppendRun(100, 8);
    list.AppendRun(kSparseCluster, 4);
    list.AppendRun(90, 16);
    auto packed = PackDataRunList(&list);
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->GetBytes(), golden);
    EXPECT_EQ(packed->Length(), 9);

    MemoryRSData out = MemoryRSData::Writer();
    packed->Write(&out);
    std::vector<uint8_t> expected{9, 0, 0, 0};
    expected.insert(expected.end(), golden.begin(), golden.end());
    expected.insert(expected.end(), {0, 0});
    EXPECT_EQ(out.SectionBytes(), expected);

    MemoryRSData in = MemoryRSData::Reader(expected);
    auto back = PackedDataRun::Read(&in);
    ASSERT_TRUE(back);
    std::unique_ptr<IDataRunList> unpacked = back->Unpack();
    ASSERT_TRUE(unpacked);
    EXPECT_EQ(unpacked->GetRunListType(), kRunListNonResidentNTFS);
    EXPECT_EQ(RunsOf(*unpacked), (std::vector<DataRun>{{100, 8}, {-1, 4}, {90, 16}}));
}

TEST(DataRuns, FieldWidths)
{
    const std::pair<int64_t, int> signedCases[] = {
        {0, 1},
        {127, 1},
        {128, 2},
        {-1, 1},
        {-128, 1},
        {-129, 2},
        {32767, 2},
        {32768, 3},
        {-32769, 3},
        {INT64_C(1) << 55, 8},
        {(INT64_C(1) << 55) - 1, 7},
        {INT64_MAX, 8},
        {INT64_MIN, 8},
    };
    for (auto [v, w] : signedCases) EXPECT_EQ(MappingPairSignedWidth(v), w) << v;
    EXPECT_EQ(MappingPairLengthWidth(UINT64_MAX), 8);
    EXPECT_EQ(MappingPairLengthWidth(uint64_t(1) << 63), 8);

    EXPECT_EQ(Pack({{5, 0}}), (std::vector<uint8_t>{0x11, 0x00, 0x05, 0x00}));
    EXPECT_EQ(Pack({{0, 1}}), (std::vector<uint8_t>{0x11, 0x01, 0x00, 0x00}));
    EXPECT_EQ(Pack({{10, 1}, {9, 128}}), (std::vector<uint8_t>{0x11, 0x01, 0x0A, 0x12, 0x80, 0x00, 0xFF, 0x00}));
    EXPECT_TRUE(Pack({}).empty());
    EXPECT_EQ(PackDataRunList(nullptr), nullptr);
}

TEST(DataRuns, MalformedPairsStopTheDecode)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t runsKept;
    } cases[] = {
        {"length field of 9 bytes", {0x09, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, 0},
        {"offset field of 9 bytes", {0x91, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, 0},
        {"pair past the byte count", {0x11, 0x08, 0x64, 0x21, 0x08, 0x64}, 1},
        {"no terminator", {0x11, 0x08, 0x64}, 1},
        {"header only", {0x11}, 0},
    };
    for (const Case& c : cases) {
        // An exact-size heap copy, so that reading one byte too far is caught by the sanitizer.
        std::vector<uint8_t> bytes(c.bytes);
        std::vector<DataRun> runs;
        EXPECT_FALSE(DecodeMappingPairs(bytes.data(), bytes.size(), runs)) << c.name;
        EXPECT_EQ(runs.size(), c.runsKept) << c.name;
    }
    std::vector<DataRun> runs;
    const std::vector<uint8_t> good{0x11, 0x08, 0x64, 0x00, 0xFF, 0xFF};
    EXPECT_TRUE(DecodeMappingPairs(good.data(), good.size(), runs));
    EXPECT_EQ(runs, (std::vector<DataRun>{{100, 8}}));

    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        std::vector<uint8_t> junk(rng() % 40);
        for (uint8_t& b : junk) b = uint8_t(rng());
        std::vector<DataRun> out;
        DecodeMappingPairs(junk.data(), junk.size(), out);
        EXPECT_LE(out.size(), junk.size());
    }
}

TEST(DataRuns, RandomListsSurvivePackAndUnpack)
{
    std::mt19937_64 rng(12345);
    auto pick = [&](std::initializer_list<uint64_t> choices) { return *(choices.begin() + rng() % choices.size()); };
    for (int i = 0; i < 3000; ++i) {
        CNoneResidentNTFSDataRunList list;
        const int count = 1 + int(rng() % 12);
        for (int r = 0; r < count; ++r) {
            const int shape = int(rng() % 4);
            int64_t first;
            if (shape == 0)
                first = kSparseCluster;
            else if (shape == 1)
                first = int64_t(rng() % 1000);
            else
                first = int64_t(rng() >> (rng() % 64));
            const uint64_t length = pick({0, 1, 127, 128, rng() % 100000, rng(), UINT64_MAX});
            list.AppendRun(first, length);
        }
        auto packed = PackDataRunList(&list);
        ASSERT_TRUE(packed);
        auto unpacked = packed->Unpack();
        ASSERT_TRUE(unpacked);
        ASSERT_EQ(RunsOf(*unpacked), RunsOf(list)) << "list " << i;
    }
}

TEST(DataRuns, ResidentListsKeepTheirOffsetAndFirstRun)
{
    CResidentNTFSDataRunList list;
    list.SetResident(123456, 0x98);
    list.AppendRun(7, 7);
    auto packed = PackDataRunList(&list);
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->GetResidentOffset(), 0x98u);
    auto unpacked = packed->Unpack();
    ASSERT_TRUE(unpacked);
    EXPECT_TRUE(unpacked->IsResident());
    EXPECT_EQ(unpacked->GetRunListType(), kRunListResidentNTFS);
    EXPECT_EQ(unpacked->GetResidentOffset(), 0x98);
    EXPECT_EQ(RunsOf(*unpacked), (std::vector<DataRun>{{123456, 1}}));

    // A resident record whose bytes decode to nothing has no list.
    EXPECT_EQ(PackedDataRun::FromBytes({0x00}, 0x98)->Unpack(), nullptr);
    EXPECT_EQ(PackedDataRun::FromBytes({}, 0)->Unpack(), nullptr);
}

TEST(DataRuns, CursorWalk)
{
    CFATDataRunList list;
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_TRUE(list.IsEnd());
    list.AppendRun(1, 1);
    list.AppendRun(5, 2);
    EXPECT_EQ(*list.First(), (DataRun{1, 1}));
    EXPECT_FALSE(list.IsEnd());
    EXPECT_EQ(*list.Next(), (DataRun{5, 2}));
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_TRUE(list.IsEnd());
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(*list.First(), (DataRun{1, 1}));
}

TEST(DataRuns, AddRunMergesOnlyContiguousDataOrTwoHoles)
{
    struct Case {
        const char* name;
        DataRun a, b;
        std::vector<DataRun> expected;
    } cases[] = {
        {"contiguous", {10, 5}, {15, 3}, {{10, 8}}},
        {"gap", {10, 5}, {16, 3}, {{10, 5}, {16, 3}}},
        {"two holes", {-1, 4}, {-1, 6}, {{-1, 10}}},
        {"hole then data at cluster 0", {-1, 1}, {0, 4}, {{-1, 1}, {0, 4}}},
        {"data at 0 twice", {0, 5}, {0, 3}, {{0, 5}, {0, 3}}},
        {"data then hole", {10, 5}, {-1, 2}, {{10, 5}, {-1, 2}}},
        {"length would wrap", {-1, UINT64_MAX}, {-1, 1}, {{-1, UINT64_MAX}, {-1, 1}}},
    };
    for (const Case& c : cases) {
        CExt2DataRunList list;
        list.AddRun(c.a);
        list.AddRun(c.b);
        EXPECT_EQ(RunsOf(list), c.expected) << c.name;
    }
}

TEST(DataRuns, ListStreamFormsAppendAndBoundTheirCounts)
{
    CFATDataRunList list;
    list.AppendRun(3, 4);
    list.AppendRun(kSparseCluster, 2);
    MemoryRSData out = MemoryRSData::Writer();
    list.Write(&out);
    EXPECT_EQ(out.SectionBytes().size(), 4u + 2 * 16);
    out.StartReading();
    out.BeginSection(testsupport::kTestSectionGuid);
    CFATDataRunList back;
    back.AppendRun(99, 1);
    back.Read(&out);
    EXPECT_EQ(RunsOf(back), (std::vector<DataRun>{{99, 1}, {3, 4}, {-1, 2}}));

    CResidentNTFSDataRunList resident;
    resident.SetResident(77, 0x40);
    MemoryRSData rout = MemoryRSData::Writer();
    resident.Write(&rout);
    MemoryRSData rin = MemoryRSData::Reader(rout.SectionBytes());
    CResidentNTFSDataRunList rback;
    rback.Read(&rin);
    EXPECT_EQ(rback.GetResidentOffset(), 0x40);
    EXPECT_EQ(rback.GetRecordSector(), 77u);

    MemoryRSData huge = MemoryRSData::Reader({0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(CodeOf([&] {
                  CFATDataRunList l;
                  l.Read(&huge);
              }),
              RS_ERROR_BAD_LENGTH);
    MemoryRSData shortRuns = MemoryRSData::Reader({2, 0, 0, 0, 1, 2, 3});
    EXPECT_EQ(CodeOf([&] {
                  CFATDataRunList l;
                  l.Read(&shortRuns);
              }),
              RS_ERROR_SHORT_READ);
}

TEST(DataRuns, PackedReadSwallowsShortStreamsButRefusesHugeCounts)
{
    EXPECT_EQ(PackedDataRun::Read(nullptr), nullptr);
    MemoryRSData truncated = MemoryRSData::Reader({9, 0, 0, 0, 0x11, 0x08});
    EXPECT_EQ(CodeOf([&] { EXPECT_EQ(PackedDataRun::Read(&truncated), nullptr); }), 0);
    MemoryRSData noOffset = MemoryRSData::Reader({1, 0, 0, 0, 0x00});
    EXPECT_EQ(PackedDataRun::Read(&noOffset), nullptr);
    MemoryRSData huge = MemoryRSData::Reader({0xFF, 0xFF, 0xFF, 0x7F, 0, 0});
    EXPECT_EQ(CodeOf([&] { PackedDataRun::Read(&huge); }), RS_ERROR_BAD_LENGTH);

    // An absent record is written as an empty one and comes back as null.
    MemoryRSData out = MemoryRSData::Writer();
    PackedDataRun::WriteOptional(nullptr, &out);
    EXPECT_EQ(out.SectionBytes(), (std::vector<uint8_t>{0, 0, 0, 0, 0, 0}));
    MemoryRSData in = MemoryRSData::Reader(out.SectionBytes());
    EXPECT_EQ(PackedDataRun::ReadOptional(&in), nullptr);
    EXPECT_EQ(in.Remaining(), 0u);
}
