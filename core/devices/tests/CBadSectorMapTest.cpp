// Bad-sector-aware reading: only the sectors that fail are lost, each one reported to the reading thread's
// account; failing stretches are crossed in a bounded number of reads; recorded sectors are never read again;
// and never a stale byte in the caller's buffer.
#include "core/devices/CBadSectorMap.h"

#include "core/devices/CReadLossScope.h"
#include "core/devices/tests/FakeBlockDevice.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t kUnit = 512;

// The first 300 sectors hold their number plus 1 in every byte; the rest, up to the length, read as zeros.
std::shared_ptr<FakeDiskScript> Disk(uint64_t sectors)
{
    auto s = std::make_shared<FakeDiskScript>();
    s->length = sectors * kUnit;
    s->bytes.resize(std::min<uint64_t>(sectors, 300) * kUnit);
    for (size_t i = 0; i < s->bytes.size(); ++i) s->bytes[i] = static_cast<uint8_t>(i / kUnit + 1);
    return s;
}

// Every sector holds its number (low byte, never 0) in each byte.
std::shared_ptr<FakeDiskScript> NumberedDisk(uint64_t sectors)
{
    auto s = std::make_shared<FakeDiskScript>();
    s->bytes.resize(sectors * kUnit);
    for (size_t i = 0; i < s->bytes.size(); ++i) s->bytes[i] = static_cast<uint8_t>(i / kUnit % 255 + 1);
    return s;
}

uint8_t Mark(uint64_t sector)
{
    return static_cast<uint8_t>(sector % 255 + 1);
}

void FailSectors(FakeDiskScript& s, uint64_t first, uint64_t count, uint32_t error = 23)
{
    s.failures.push_back({first * kUnit, (first + count) * kUnit, error});
}

bool AllZero(const std::vector<uint8_t>& v, size_t from = 0, size_t to = SIZE_MAX)
{
    to = std::min(to, v.size());
    for (size_t i = from; i < to; ++i)
        if (v[i] != 0) return false;
    return true;
}

// Whether the sector at index i of a buffer read from first holds its own mark, or zeros.
bool Holds(const std::vector<uint8_t>& buf, uint64_t first, uint64_t i)
{
    return buf[i * kUnit] == Mark(first + i) && buf[i * kUnit + kUnit - 1] == Mark(first + i);
}
bool Zero(const std::vector<uint8_t>& buf, uint64_t i)
{
    return AllZero(buf, i * kUnit, (i + 1) * kUnit);
}

} // namespace

TEST(CBadSectorMap, OnlyTheFailingSectorsAreLostCountedAndRecorded)
{
    // Scattered single sectors, a run of eight (one 4096-byte physical sector) and a pair, in one 4 MiB read.
    const std::vector<uint64_t> bad{3, 1000, 4096, 4097, 8191};
    auto script = NumberedDisk(20000);
    for (uint64_t b : bad) FailSectors(*script, b, 1);
    FailSectors(*script, 6000, 8);
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    std::vector<uint8_t> buf(8192 * kUnit, 0xEE);
    uint32_t error = 0;
    CReadLossScope loss;
    EXPECT_TRUE(map.ReadSector(&dev, buf.data(), 0, 8192, true, &error));
    EXPECT_EQ(error, 23u);
    std::vector<uint64_t> lost = bad;
    for (uint64_t s = 6000; s < 6008; ++s) lost.push_back(s);
    for (uint64_t i = 0; i < 8192; ++i) {
        const bool isBad = std::find(lost.begin(), lost.end(), i) != lost.end();
        ASSERT_TRUE(isBad ? Zero(buf, i) : Holds(buf, 0, i)) << "sector " << i;
    }
    EXPECT_EQ(loss.GetLostSectors(), lost.size());
    EXPECT_EQ(loss.GetSkippedSectors(), 0u);
    EXPECT_EQ(loss.LostBytesIn(buf.data(), buf.size(), buf.size()), lost.size() * kUnit);
    // Of a file whose bytes end inside sector 8191, only the part of that sector it holds is lost.
    EXPECT_EQ(loss.LostBytesIn(buf.data(), buf.size(), 8191 * kUnit + 100), (lost.size() - 1) * kUnit + 100);
    EXPECT_EQ(map.GetRecordedSectors(), lost.size());
    EXPECT_LT(script->TakeReadOffsets().size(), 200u);

    // The good sector beside a recorded one is read; the recorded ones are not read again but still reported.
    std::vector<uint8_t> two(3 * kUnit, 0xEE);
    CReadLossScope again;
    EXPECT_TRUE(map.ReadSector(&dev, two.data(), 999, 3, true, &error));
    EXPECT_TRUE(Holds(two, 999, 0) && Zero(two, 1) && Holds(two, 999, 2));
    EXPECT_EQ(again.GetLostSectors(), 1u);
    for (uint64_t offset : script->TakeReadOffsets()) EXPECT_NE(offset, 1000 * kUnit);
    EXPECT_EQ(loss.GetLostSectors(), lost.size()); // heard twice, counted once

    // A good sector far from the bad ones reads from the disk.
    std::vector<uint8_t> one(kUnit);
    EXPECT_TRUE(map.ReadSector(&dev, one.data(), 20000 - 1, 1, true, &error));
    EXPECT_TRUE(Holds(one, 19999, 0));
}

TEST(CBadSectorMap, AFailingStretchIsCrossedInBoundedReadsAndCountedAsUnread)
{
    // 10,000 failing sectors met by a scan in 4 MiB requests.
    const uint64_t from = 5000, length = 10000, sectors = 40000;
    auto script = NumberedDisk(sectors);
    FailSectors(*script, from, length);
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    CReadLossScope loss;
    std::vector<uint8_t> buf(8192 * kUnit);
    uint64_t zeroSectors = 0;
    for (uint64_t first = 0; first < sectors; first += 8192) {
        const uint64_t n = std::min<uint64_t>(8192, sectors - first);
        uint32_t error = 0;
        ASSERT_TRUE(map.ReadSector(&dev, buf.data(), first, n, true, &error));
        for (uint64_t i = 0; i < n; ++i) {
            const uint64_t s = first + i;
            if (s < from) {
                ASSERT_TRUE(Holds(buf, first, i)) << s;
            }
            if (s >= from && s < from + length) {
                ASSERT_TRUE(Zero(buf, i)) << s;
            }
            if (Zero(buf, i)) ++zeroSectors;
        }
    }
    const size_t reads = script->TakeReadOffsets().size();
    EXPECT_LT(reads, 150u);
    // Every zero sector is accounted for; the good sectors passed over after the stretch are fewer than it.
    EXPECT_EQ(loss.GetLostSectors(), zeroSectors);
    EXPECT_GE(zeroSectors, length);
    EXPECT_LT(zeroSectors, 2 * length);
    EXPECT_GT(loss.GetSkippedSectors(), length / 2);
    EXPECT_EQ(map.GetRecordedSectors(), zeroSectors);

    // The second pass never reads the disk inside what was recorded.
    for (uint64_t first = 0; first < sectors; first += 8192) {
        uint32_t error = 0;
        EXPECT_TRUE(map.ReadSector(&dev, buf.data(), first, std::min<uint64_t>(8192, sectors - first), true, &error));
    }
    for (uint64_t offset : script->TakeReadOffsets())
        EXPECT_FALSE(offset / kUnit >= from && offset / kUnit < from + length);
}

TEST(CBadSectorMap, ARecordedRangeZeroesOnlyItsOwnSectors)
{
    // A request covers [first, first + count - 1]: the sectors of it outside the range are read normally.
    auto script = Disk(300);
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    ASSERT_EQ(map.AddRange({100, 120}), 0u);
    struct Case {
        uint64_t first, count;
    };
    const Case cases[] = {{90, 10}, {90, 11}, {120, 1}, {121, 5}, {110, 2}, {95, 30}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "+" << c.count);
        std::vector<uint8_t> buf(c.count * kUnit, 0xEE);
        uint32_t error = 0;
        CReadLossScope loss;
        EXPECT_TRUE(map.ReadSector(&dev, buf.data(), c.first, c.count, true, &error));
        uint64_t inRange = 0;
        for (uint64_t i = 0; i < c.count; ++i) {
            const uint64_t s = c.first + i;
            const bool recorded = s >= 100 && s <= 120;
            inRange += recorded;
            EXPECT_EQ(buf[i * kUnit], recorded ? 0 : static_cast<uint8_t>(s + 1)) << s;
        }
        EXPECT_EQ(loss.GetLostSectors(), inRange);
        for (uint64_t offset : script->TakeReadOffsets()) EXPECT_FALSE(offset >= 100 * kUnit && offset <= 120 * kUnit);
    }
    EXPECT_FALSE(map.IsInBadRange(0, 99));
    EXPECT_TRUE(map.IsInBadRange(0, 100));
    EXPECT_FALSE(map.IsInBadRange(121, 500));
}

TEST(CBadSectorMap, WithoutSkippingAFailureIsReportedAndOnlyReadBytesRemain)
{
    auto script = Disk(100);
    script->shortReadBytes = 2 * kUnit + 100; // the device delivers 2 sectors and a piece, then stops
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    std::vector<uint8_t> buf(4 * kUnit, 0xEE);
    uint32_t error = 0;
    EXPECT_FALSE(map.ReadSector(&dev, buf.data(), 10, 4, false, &error));
    EXPECT_EQ(buf[0], 11);
    EXPECT_EQ(buf[2 * kUnit + 99], 13);
    EXPECT_TRUE(AllZero(buf, 2 * kUnit + 100));
    EXPECT_EQ(map.GetRangeCount(), 0u);

    // A failing sector fails the request, but the good sectors beside it are read and nothing is recorded.
    script->shortReadBytes = 0;
    FailSectors(*script, 50, 1);
    std::fill(buf.begin(), buf.end(), 0xEE);
    CReadLossScope loss;
    EXPECT_FALSE(map.ReadSector(&dev, buf.data(), 48, 4, false, &error));
    EXPECT_EQ(error, 23u);
    EXPECT_EQ(buf[0], 49);
    EXPECT_TRUE(AllZero(buf, 2 * kUnit, 3 * kUnit));
    EXPECT_EQ(buf[3 * kUnit], 52);
    EXPECT_EQ(loss.GetLostSectors(), 1u);
    EXPECT_EQ(map.GetRangeCount(), 0u);
}

TEST(CBadSectorMap, PartialLastSectorCountsAsReadWithItsMissingBytesZero)
{
    auto script = Disk(4);
    script->shortReadBytes = 511;
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    std::vector<uint8_t> buf(kUnit, 0xEE);
    uint32_t error = 0;
    EXPECT_TRUE(map.ReadSector(&dev, buf.data(), 1, 1, false, &error));
    EXPECT_EQ(buf[510], 2);
    EXPECT_EQ(buf[511], 0);
}

TEST(CBadSectorMap, RefusesOversizedCountsAndZeroesWithoutADevice)
{
    CBadSectorMap map;
    auto script = Disk(4);
    FakeBlockDevice dev(script);
    std::vector<uint8_t> buf(kUnit, 0xEE);
    uint32_t error = 0;
    EXPECT_FALSE(map.ReadSector(&dev, buf.data(), 0, 8388608, true, &error));
    map.SetUnit(4096);
    EXPECT_FALSE(map.ReadSector(&dev, buf.data(), 0, 1048576, true, &error));
    EXPECT_EQ(buf, std::vector<uint8_t>(kUnit, 0xEE));
    EXPECT_TRUE(script->readOffsets.empty());

    map.SetUnit(512);
    EXPECT_FALSE(map.ReadSector(nullptr, buf.data(), 0, 1, true, &error));
    EXPECT_TRUE(AllZero(buf));
}

TEST(CBadSectorMap, UnitScalesOffsets)
{
    auto script = std::make_shared<FakeDiskScript>();
    script->bytes.resize(64 * 4096);
    script->bytes[3 * 4096] = 0x33;
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    map.SetUnit(4096);
    std::vector<uint8_t> buf(4096);
    uint32_t error = 0;
    EXPECT_TRUE(map.ReadSector(&dev, buf.data(), 3, 1, true, &error));
    EXPECT_EQ(buf[0], 0x33);
    EXPECT_EQ(script->readOffsets.back(), 3u * 4096);
}

TEST(CBadSectorMap, NotReadyIsNotABadSectorAndFailsTheRead)
{
    // A device that went away gives no data: zeros handed out as a success would be taken for the disk's.
    auto script = Disk(100);
    script->failNextReads = 1;
    script->failNextError = 21;
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    std::vector<uint8_t> buf(kUnit, 0xEE);
    uint32_t error = 0;
    CReadLossScope loss;
    EXPECT_FALSE(map.ReadSector(&dev, buf.data(), 5, 1, true, &error));
    EXPECT_EQ(error, 21u);
    EXPECT_TRUE(AllZero(buf));
    EXPECT_EQ(map.GetRangeCount(), 0u);
    EXPECT_TRUE(loss.Empty());
    // The next read reaches the device again.
    EXPECT_TRUE(map.ReadSector(&dev, buf.data(), 5, 1, true, &error));
    EXPECT_EQ(buf[0], 6);
}

TEST(CBadSectorMap, RangeBookkeeping)
{
    CBadSectorMap map;
    EXPECT_EQ(map.AddRange({500, 600}), 0u);
    EXPECT_EQ(map.AddRange({100, 200}), 0u);
    EXPECT_EQ(map.AddRange({500, 900}), 0u); // same first sector: the first range stays
    EXPECT_EQ(map.GetRangeCount(), 2u);
    BadSectorRange r;
    ASSERT_TRUE(map.GetRange(500, &r));
    EXPECT_EQ(r.end, 600u);
    r.end = 5; // a copy: the map is unchanged
    ASSERT_TRUE(map.GetRange(500, &r));
    EXPECT_EQ(r.end, 600u);
    EXPECT_FALSE(map.GetRange(501, &r));

    std::vector<uint64_t> firsts;
    EXPECT_EQ(map.GetRanges(&firsts), 0u);
    EXPECT_EQ(firsts, (std::vector<uint64_t>{100, 500}));
    EXPECT_EQ(map.GetRanges(nullptr), 87u);

    map.RemoveRange(100);
    EXPECT_FALSE(map.FindRange(100).has_value());
    map.Clear();
    EXPECT_EQ(map.GetRangeCount(), 0u);
    EXPECT_FALSE(map.IsInBadRange(0, UINT64_MAX));
}
