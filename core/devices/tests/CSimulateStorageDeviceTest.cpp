// The 512-byte view: byte order across inner sectors, one read per inner sector, refusal of small sectors.
#include "core/devices/CSimulateStorageDevice.h"

#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

using testsupport::MemoryDevice;

namespace {

void ExpectPattern(const std::vector<uint8_t>& out, uint64_t first512, uint64_t count512, int32_t innerSize)
{
    for (uint64_t i = 0; i < count512 * 512; ++i) {
        const uint64_t byte = first512 * 512 + i;
        ASSERT_EQ(out[i], MemoryDevice::PatternByte(byte / innerSize, byte % innerSize)) << "byte " << i;
    }
}

} // namespace

TEST(CSimulateStorageDevice, ReadsEachInnerSectorOnceAcrossARun)
{
    MemoryDevice inner(8, 4096);
    inner.FillWithPattern();
    CSimulateStorageDevice view(&inner);
    EXPECT_EQ(view.GetSectorCount(), 64u);
    EXPECT_EQ(view.GetSectorSize(), 512);
    EXPECT_EQ(view.GetSourceDevice(), &inner);

    std::vector<uint8_t> out(16 * 512);
    ASSERT_TRUE(view.ReadSectors(out.data(), 5, 16));
    ExpectPattern(out, 5, 16, 4096);
    EXPECT_EQ(inner.Reads(), (std::vector<MemoryDevice::Read>{{0, 1}, {1, 1}, {2, 1}}));

    // The sector just read stays cached: the next sectors of inner sector 2 need no read.
    inner.ResetCounters();
    ASSERT_TRUE(view.ReadSectors(out.data(), 21, 3));
    ExpectPattern(out, 21, 3, 4096);
    EXPECT_EQ(inner.ReadCount(), 0u);
    EXPECT_TRUE(view.ReadSectors(out.data(), 0, 0));
}

TEST(CSimulateStorageDevice, FailedInnerReadZeroesTheRestAndEmptiesTheCache)
{
    MemoryDevice inner(4, 4096);
    inner.FillWithPattern();
    CSimulateStorageDevice view(&inner);
    std::vector<uint8_t> out(16 * 512, 0xEE);
    ASSERT_TRUE(view.ReadSectors(out.data(), 8, 1)); // caches inner sector 1

    inner.FailSector(1);
    inner.FailSector(2);
    ASSERT_TRUE(view.ReadSectors(out.data(), 9, 1)); // still cached, no read
    std::fill(out.begin(), out.end(), 0xEE);
    EXPECT_FALSE(view.ReadSectors(out.data(), 14, 4)); // 14,15 cached; 16 fails
    ExpectPattern(std::vector<uint8_t>(out.begin(), out.begin() + 1024), 14, 2, 4096);
    for (size_t i = 1024; i < 4 * 512; ++i) ASSERT_EQ(out[i], 0) << i;

    // The failure left the view without a cached sector: a read of sector 8 goes to the device again.
    inner.ClearFailures();
    inner.ResetCounters();
    EXPECT_TRUE(view.ReadSectors(out.data(), 8, 1));
    EXPECT_EQ(inner.ReadCount(), 1u);
}

TEST(CSimulateStorageDevice, RefusesInnerSectorsThatAreNotWholeMultiplesOf512)
{
    for (int32_t size : {256, 520, 0}) {
        SCOPED_TRACE(size);
        MemoryDevice inner(4, size);
        CSimulateStorageDevice view(&inner);
        EXPECT_EQ(view.GetSectorCount(), 0u);
        std::vector<uint8_t> out(512, 0xEE);
        EXPECT_FALSE(view.ReadSectors(out.data(), 0, 1));
        EXPECT_EQ(out, std::vector<uint8_t>(512, 0));
    }
}

TEST(IStorageDevice, GetAs512SectorDeviceGivesTheDeviceItselfOrOneOwnedView)
{
    MemoryDevice plain(4, 512);
    EXPECT_EQ(plain.GetAs512SectorDevice(), &plain);

    MemoryDevice large(4, 2048);
    IStorageDevice* view = large.GetAs512SectorDevice();
    ASSERT_NE(view, &large);
    EXPECT_EQ(view, large.GetAs512SectorDevice());
    EXPECT_EQ(view->GetSourceDevice(), &large);
    EXPECT_EQ(view->GetSectorCount(), 16u);
}
