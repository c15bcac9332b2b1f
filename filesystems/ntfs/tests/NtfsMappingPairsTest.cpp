// Mapping pairs, attribute run lists and their VCN/LCN mapping, non-resident reads, cluster-size derivation.
#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsStructures.h"

#include "tests/support/MemoryDevice.h"
#include "tests/support/MemoryRSData.h"
#include "tests/support/NtfsRecordBuilder.h"

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

std::vector<CNTFSRun> Decode(const Bytes& pairs)
{
    CNTFSRunList list;
    DecodeRunList(pairs, list);
    return list.Runs();
}

} // namespace

TEST(NtfsMappingPairs, DecodesLengthsSignedDeltasAndSparseRuns)
{
    struct Case {
        const char* name;
        Bytes pairs;
        std::vector<CNTFSRun> runs; // lcn, vcn, length
    };
    const Case cases[] = {
        {"one run", {0x21, 0x18, 0x34, 0x56, 0x00}, {{0x5634, 0, 0x18}}},
        {"one-byte delta 0xFF moves back one cluster",
         {0x21, 0x18, 0x34, 0x56, 0x11, 0x05, 0xFF, 0x00},
         {{0x5634, 0, 0x18}, {0x5633, 0x18, 5}}},
        {"three-byte delta 0x800000 is negative",
         {0x41, 0x01, 0x00, 0x00, 0x00, 0x01, 0x31, 0x02, 0x00, 0x00, 0x80, 0x00},
         {{0x1000000, 0, 1}, {0x800000, 1, 2}}},
        {"three-byte delta 0x7FFFFF is positive", {0x31, 0x01, 0xFF, 0xFF, 0x7F, 0x00}, {{0x7FFFFF, 0, 1}}},
        {"sparse run keeps the running LCN",
         {0x11, 0x08, 0x64, 0x01, 0x10, 0x11, 0x04, 0xF6, 0x00},
         {{100, 0, 8}, {-1, 8, 16}, {90, 24, 4}}},
        {"stops at the byte count without a terminator", {0x11, 0x02, 0x10, 0x11, 0x03}, {{0x10, 0, 2}}},
        {"a field wider than 8 bytes ends decoding", {0x11, 0x02, 0x10, 0x19, 0x00}, {{0x10, 0, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decode(c.pairs), c.runs);
    }
}

TEST(NtfsMappingPairs, ValidityTest)
{
    struct Case {
        const char* name;
        Bytes pairs;
        bool ok;
    };
    const Case cases[] = {
        {"empty list", {0x00}, true},
        {"four-byte fields", {0x44, 1, 2, 3, 4, 5, 6, 7, 8, 0x00}, true},
        {"five offset bytes", {0x51, 0x10, 1, 2, 3, 4, 5, 0x00}, false},
        {"five length bytes", {0x15, 1, 2, 3, 4, 5, 0x00}, false},
        {"header 0x80", {0x80, 0x00}, false},
        {"no closing zero", {0x11, 0x01, 0x02}, false},
        {"closing zero cut off", {0x11, 0x01, 0x02, 0x11}, false},
        {"no bytes at all", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsValidRunList(c.pairs), c.ok);
    }
    EXPECT_EQ(GetMappingPairsLength(NtfsPackRuns({{100, 8}, {-1, 4}, {90, 16}})), 28u);
}

TEST(NtfsRunList, VcnLcnMappingNeverMapsSparseRuns)
{
    CNTFSRunList list;
    DecodeRunList(NtfsPackRuns({{100, 8}, {-1, 4}, {90, 16}}), list);
    EXPECT_EQ(list.VcnToLcn(0), 100);
    EXPECT_EQ(list.VcnToLcn(7), 107);
    EXPECT_EQ(list.VcnToLcn(8), -1); // inside the hole
    EXPECT_EQ(list.VcnToLcn(12), 90);
    EXPECT_EQ(list.VcnToLcn(27), 105);
    EXPECT_EQ(list.VcnToLcn(28), -1); // past the end
    EXPECT_EQ(list.LcnToVcn(105), 5); // the first run that holds it (the third one does too)
    EXPECT_EQ(list.LcnToVcn(90), 12);
    EXPECT_EQ(list.LcnToVcn(89), -1);
    EXPECT_EQ(list.LcnToVcn(-1), -1);
    EXPECT_FALSE(list.IsLcnInRunList(-1));
    EXPECT_TRUE(list.IsLcnInRunList(95));
    EXPECT_EQ(list.GetRunListLength(), 28u);
    EXPECT_FALSE(CNTFSRunList().IsLcnInRunList(0));
}

TEST(NtfsRunList, StreamFormRoundTrip)
{
    CNTFSRunList list;
    list.Append({100, 0, 8});
    list.Append({-1, 8, 4});
    MemoryRSData out = MemoryRSData::Writer();
    list.SaveRunList(&out);
    const Bytes bytes = out.SectionBytes();
    ASSERT_EQ(bytes.size(), 8u + 2 * 24u);
    EXPECT_EQ(GetLe(bytes, 0, 8), 2u);
    EXPECT_EQ(GetLe(bytes, 8, 8), 100u); // LCN
    EXPECT_EQ(GetLe(bytes, 16, 8), 8u);  // length
    EXPECT_EQ(GetLe(bytes, 24, 8), 0u);  // VCN
    EXPECT_EQ(GetLe(bytes, 32, 8), ~0ull);

    MemoryRSData in = MemoryRSData::Reader(bytes);
    CNTFSRunList back;
    back.Append({7, 0, 1});
    back.LoadRunList(&in);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back.Runs()[1], list.Runs()[0]);
    EXPECT_EQ(back.Runs()[2], list.Runs()[1]);

    // A damaged count ends in the stream's short-read error, not in a huge allocation.
    Bytes damaged = bytes;
    PutLe(damaged, 0, 1ull << 60, 8);
    MemoryRSData bad = MemoryRSData::Reader(damaged);
    CNTFSRunList none;
    EXPECT_THROW(none.LoadRunList(&bad), CRSException);
}

TEST(NtfsMappingPairs, CollectDataRunsGathersUnnamedExtentsOnly)
{
    const Bytes first = NtfsPackRuns({{100, 10}});
    const Bytes second = NtfsPackRuns({{300, 6}});
    Bytes r = NtfsRecordBuilder()
                  .AddFileName(5, u"f")
                  .AddNonResident(0x80, NtfsPackRuns({{999, 1}}), 0, 0, 4096, 7, 7, u"stream")
                  .AddNonResident(0x80, second, 10, 15, 0, 0, 0)
                  .AddNonResident(0x80, first, 0, 9, 65536, 60000, 60000)
                  .BuildPlain();
    CNTFSRunList runs;
    uint64_t size = 0;
    ASSERT_TRUE(CollectDataRuns(r, runs, true, &size));
    EXPECT_EQ(size, 60000u);
    runs.SortByVcn();
    EXPECT_EQ(runs.Runs(), (std::vector<CNTFSRun>{{100, 0, 10}, {300, 10, 6}}));

    // With the check, an extent whose pairs do not cover its VCN range fails.
    Bytes bad = NtfsRecordBuilder().AddNonResident(0x80, first, 0, 20, 65536, 60000, 60000).BuildPlain();
    CNTFSRunList ignored;
    EXPECT_FALSE(CollectDataRuns(bad, ignored, true, nullptr));
    EXPECT_TRUE(CollectDataRuns(bad, ignored, false, nullptr));
    Bytes compressed = NtfsRecordBuilder().AddNonResident(0x80, first, 0, 20, 65536, 60000, 60000, u"", 1).BuildPlain();
    EXPECT_TRUE(CollectDataRuns(compressed, ignored, true, nullptr));

    Bytes resident = NtfsRecordBuilder().AddResident(0x80, Bytes(10, 1)).BuildPlain();
    EXPECT_FALSE(CollectDataRuns(resident, ignored, false, nullptr));
}

TEST(NtfsMappingPairs, AppendAttributeRunsShiftsByTheFirstVcn)
{
    Bytes r = NtfsRecordBuilder()
                  .AddNonResident(0x80, NtfsPackRuns({{50, 3}}), 40, 42, 0, 0, 0)
                  .AddNonResident(0x80, NtfsPackRuns({{50, 3}}), 0, 2, 0, 0, 0, u"ads")
                  .BuildPlain();
    CNTFSRunList list;
    uint64_t size = 123;
    EXPECT_EQ(AppendAttributeRuns(FindAttribute(r, 0x80, 0), list, &size), 40u);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(list.Runs(), (std::vector<CNTFSRun>{{50, 40, 3}}));
    EXPECT_FALSE(AppendAttributeRuns(FindAttribute(r, 0x80, 1), list));
    EXPECT_FALSE(AppendAttributeRuns(CNTFSAttributeHeader(), list));
}

TEST(NtfsMappingPairs, NonResidentReadLeavesHolesZeroAndStopsAtTheBuffer)
{
    MemoryDevice device(4096, 512);
    device.FillWithPattern();
    const uint64_t start = 100;
    const uint32_t spc = 2;
    // Cluster 10, a two-cluster hole, cluster 20; the buffer has room for four clusters only.
    const Bytes pairs = NtfsPackRuns({{10, 1}, {-1, 2}, {20, 1}, {30, 5}});
    Bytes buffer(4 * 1024, 0xCC);
    ASSERT_TRUE(ReadNonResidentData(pairs, buffer, start, spc, &device));
    for (size_t i = 0; i < 1024; ++i) ASSERT_EQ(buffer[i], MemoryDevice::PatternByte(start + 20 + i / 512, i % 512));
    for (size_t i = 1024; i < 3072; ++i) ASSERT_EQ(buffer[i], 0) << i;
    for (size_t i = 3072; i < 4096; ++i)
        ASSERT_EQ(buffer[i], MemoryDevice::PatternByte(start + 40 + (i - 3072) / 512, i % 512));
    // The hole was never turned into a sector (it would lie before the partition), and the run that did
    // not fit was not read.
    for (const MemoryDevice::Read& read : device.Reads()) EXPECT_GE(read.first, start);
    EXPECT_EQ(device.ReadCount(), 2u);

    // A failed read leaves its part zero.
    device.FailSector(start + 20);
    Bytes again(2048, 0xCC);
    ASSERT_TRUE(ReadNonResidentData(NtfsPackRuns({{10, 1}, {20, 1}}), again, start, spc, &device));
    EXPECT_EQ(again[0], 0);
    EXPECT_EQ(again[1024], MemoryDevice::PatternByte(start + 40, 0));
    EXPECT_FALSE(ReadNonResidentData(pairs, buffer, start, spc, nullptr));
}

TEST(NtfsMappingPairs, SectorsPerClusterFromOneRecord)
{
    auto record = [](uint64_t dataSize, uint64_t clusters) {
        return NtfsRecordBuilder()
            .AddNonResident(0x80, NtfsPackRuns({{16, clusters}}), 0, clusters - 1, dataSize, dataSize, dataSize)
            .BuildPlain();
    };
    uint8_t spc = 99;
    ASSERT_TRUE(DeriveSectorsPerCluster(record(1048576, 256), 512, spc));
    EXPECT_EQ(spc, 8);
    ASSERT_TRUE(DeriveSectorsPerCluster(record(1048576, 3), 512, spc));
    EXPECT_EQ(spc, 0);
    ASSERT_TRUE(DeriveSectorsPerCluster(record(1048576, 256), 4096, spc));
    EXPECT_EQ(spc, 1);
    ASSERT_TRUE(DeriveSectorsPerCluster(record(1000, 1), 512, spc)); // 1.95 rounds up to 2
    EXPECT_EQ(spc, 2);
    EXPECT_FALSE(DeriveSectorsPerCluster(NtfsRecordBuilder().AddResident(0x80, Bytes(4, 0)).BuildPlain(), 512, spc));

    EXPECT_EQ(SectorsPerClusterFromSize(129 * 512, 1, 512), 0);
    EXPECT_EQ(SectorsPerClusterFromSize(0, 1, 512), 0);
    EXPECT_EQ(SectorsPerClusterFromSize(100, 0, 512), 0);
}

TEST(NtfsMappingPairs, RecordIndexAtACluster)
{
    EXPECT_TRUE(NtfsIsRecordIndexAt(100 + 5 * 8, 5, 100, 8));
    EXPECT_FALSE(NtfsIsRecordIndexAt(100 + 5 * 8 + 1, 5, 100, 8));
    EXPECT_FALSE(NtfsIsRecordIndexAt(100 + 6 * 8, 5, 100, 8));
    EXPECT_FALSE(NtfsIsRecordIndexAt(50, 0, 100, 8));
    EXPECT_FALSE(NtfsIsRecordIndexAt(100, 0, 100, 0));
}
