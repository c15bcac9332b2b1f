// Bad-sector-aware reading: zeros and success over unreadable areas when skipping, probing for the extent
// of a failure, the inclusive range test, and never a stale byte in the caller's buffer.
#include "core/devices/CBadSectorMap.h"

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

} // namespace

TEST(CBadSectorMap, FailureWithGoodProbesRecordsTheMinimumAreaAndIsNeverReadAgain)
{
    auto script = Disk(200000);
    FailSectors(*script, 1000, 1);
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    std::vector<uint8_t> buf(4 * kUnit, 0xEE);
    uint32_t error = 99;

    EXPECT_TRUE(map.ReadSector(&dev, buf.data(), 999, 4, true, &error));
    EXPECT_EQ(error, 23u);
    EXPECT_TRUE(AllZero(buf));
    BadSectorRange r;
    ASSERT_TRUE(map.GetRange(999, &r));
    EXPECT_EQ(r.end, 999u + 20480);
    // The probes: the first read, then 50, 25 and 12 units of 2048 sectors beyond the failed request.
    EXPECT_EQ(script->TakeReadOffsets(), (std::vector<uint64_t>{999 * kUnit, (999 + 50 * 2048) * kUnit,
                                                                (999 + 25 * 2048) * kUnit, (999 + 12 * 2048) * kUnit}));

    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_TRUE(map.ReadSector(&dev, buf.data(), 999 + 20000, 1, true, &error));
    EXPECT_EQ(error, 0u);
    EXPECT_TRUE(AllZero(buf, 0, kUnit));
    EXPECT_TRUE(script->TakeReadOffsets().empty());
}

TEST(CBadSectorMap, FirstFailingProbeSetsTheEndOfTheArea)
{
    struct Case {
        const char* name;
        uint64_t failingProbeUnits; // the probe at this many units fails
        uint64_t expectedEnd;
    };
    const Case cases[] = {
        {"probe 50 fails", 50, 50 * 2048},
        {"probe 25 fails", 25, 25 * 2048},
        {"probe 12 fails", 12, 12 * 2048},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto script = Disk(200000);
        const uint64_t s = 5000;
        FailSectors(*script, s, 1);
        FailSectors(*script, s + c.failingProbeUnits * 2048 + 7, 1);
        FakeBlockDevice dev(script);
        CBadSectorMap map;
        std::vector<uint8_t> buf(kUnit);
        uint32_t error = 0;
        EXPECT_TRUE(map.ReadSector(&dev, buf.data(), s, 1, true, &error));
        BadSectorRange r;
        ASSERT_TRUE(map.GetRange(s, &r));
        EXPECT_EQ(r.end, s + c.expectedEnd);
    }
}

TEST(CBadSectorMap, RangeIsTouchedOnlyByRequestsThatOverlapItsSectors)
{
    // A request covers [first, first + count - 1]: one that ends just before a range is read normally.
    auto script = Disk(300);
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    ASSERT_EQ(map.AddRange({100, 120}), 0u);
    struct Case {
        uint64_t first, count;
        bool zeros;
    };
    const Case cases[] = {{90, 10, false}, {90, 11, true}, {120, 1, true}, {121, 5, false}, {110, 2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "+" << c.count);
        std::vector<uint8_t> buf(c.count * kUnit, 0xEE);
        uint32_t error = 0;
        EXPECT_TRUE(map.ReadSector(&dev, buf.data(), c.first, c.count, true, &error));
        EXPECT_EQ(AllZero(buf), c.zeros);
        if (!c.zeros) {
            EXPECT_EQ(buf[0], static_cast<uint8_t>(c.first + 1));
        }
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

    // A failed read with an error leaves nothing of an earlier read either.
    script->shortReadBytes = 0;
    FailSectors(*script, 50, 1);
    std::fill(buf.begin(), buf.end(), 0xEE);
    EXPECT_FALSE(map.ReadSector(&dev, buf.data(), 48, 4, false, &error));
    EXPECT_EQ(error, 23u);
    EXPECT_TRUE(AllZero(buf));
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

TEST(CBadSectorMap, UnitScalesOffsetsAndProbes)
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

TEST(CBadSectorMap, NotReadyIsNotABadSector)
{
    auto script = Disk(100);
    script->failNextReads = 1;
    script->failNextError = 21;
    FakeBlockDevice dev(script);
    CBadSectorMap map;
    std::vector<uint8_t> buf(kUnit, 0xEE);
    uint32_t error = 0;
    EXPECT_TRUE(map.ReadSector(&dev, buf.data(), 5, 1, true, &error));
    EXPECT_EQ(error, 21u);
    EXPECT_TRUE(AllZero(buf));
    EXPECT_EQ(map.GetRangeCount(), 0u);
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
