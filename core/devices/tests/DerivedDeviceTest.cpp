// The partition window and the chunk ring over an in-memory device.
#include "core/devices/CBasicPartitionDevice.h"
#include "core/devices/CBufferStorageDevice.h"

#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using testsupport::MemoryDevice;

namespace {

// Whether out holds count sectors of the pattern from device sector first on.
bool HoldsPattern(const std::vector<uint8_t>& out, uint64_t first, uint64_t count, uint64_t sectorSize = 512)
{
    for (uint64_t i = 0; i < count * sectorSize; ++i)
        if (out[i] != MemoryDevice::PatternByte(first + i / sectorSize, i % sectorSize)) return false;
    return true;
}

} // namespace

TEST(CBasicPartitionDevice, WindowReadsRefusalsAndTheTailPastItsEnd)
{
    MemoryDevice parent(1000);
    parent.FillWithPattern();
    CBasicPartitionDevice window(&parent, 200, 100);
    EXPECT_EQ(window.GetSectorCount(), 100u);
    EXPECT_EQ(window.GetStartSector(), 200u);
    EXPECT_EQ(window.GetSectorSize(), 512);

    struct Case {
        uint64_t first, count;
        bool ok;
        uint64_t inside; // sectors that come from the parent
    };
    const Case cases[] = {
        {0, 100, true, 100}, {95, 10, true, 5},  {99, 1, true, 1},
        {100, 1, false, 0},  {0, 101, false, 0}, {UINT64_MAX - 3, 2, false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "+" << c.count);
        parent.ResetCounters();
        std::vector<uint8_t> out(c.count * 512, 0xEE);
        EXPECT_EQ(window.ReadSectors(out.data(), c.first, c.count), c.ok);
        EXPECT_TRUE(HoldsPattern(out, 200 + c.first, c.inside));
        for (size_t i = c.inside * 512; i < out.size(); ++i) ASSERT_EQ(out[i], 0) << i;
        // Never a sector of the parent outside the window.
        for (const auto& r : parent.Reads()) EXPECT_TRUE(r.first >= 200 && r.first + r.count <= 300);
    }

    parent.FailSector(250);
    std::vector<uint8_t> out(512 * 2);
    EXPECT_FALSE(window.ReadSectors(out.data(), 49, 2));
}

TEST(CBufferStorageDevice, FullRingServesAWrappedRequestInDeviceOrder)
{
    const uint32_t chunk = 4;
    MemoryDevice source(1000);
    source.FillWithPattern();
    CBufferStorageDevice ring;
    std::vector<uint8_t> out(512 * 8);
    EXPECT_FALSE(ring.ReadSectors(out.data(), 0, 1)); // not attached
    ASSERT_TRUE(ring.Attach(&source, 0, 512, chunk, 20));

    // 27 chunks pushed: the ring holds chunks 7 to 26 and its write position is at ring chunk 7.
    std::vector<uint8_t> data(chunk * 512);
    for (uint64_t c = 0; c < 27; ++c) {
        ASSERT_TRUE(source.ReadSectors(data.data(), c * chunk, chunk));
        ring.PushChunk(data.data());
        EXPECT_EQ(ring.IsFull(), c >= 19);
    }
    EXPECT_EQ(ring.GetWindowStart(), 7u * chunk);
    EXPECT_EQ(ring.GetFilledCount(), 80u);

    // Chunk 12 sits in the ring's last slot (index 19), chunk 13 in its first: a request across the seam.
    source.ResetCounters();
    ASSERT_TRUE(ring.ReadSectors(out.data(), 12 * chunk + 2, 6));
    EXPECT_TRUE(HoldsPattern(out, 12 * chunk + 2, 6));
    ASSERT_TRUE(ring.ReadSectors(out.data(), 7 * chunk, 8));
    EXPECT_TRUE(HoldsPattern(out, 7 * chunk, 8));
    ASSERT_TRUE(ring.ReadSectors(out.data(), 27 * chunk - 8, 8));
    EXPECT_TRUE(HoldsPattern(out, 27 * chunk - 8, 8));
    EXPECT_EQ(source.ReadCount(), 0u);

    // Partly outside the window: the whole request goes to the source.
    ASSERT_TRUE(ring.ReadSectors(out.data(), 7 * chunk - 1, 2));
    EXPECT_TRUE(HoldsPattern(out, 7 * chunk - 1, 2));
    ASSERT_TRUE(ring.ReadSectors(out.data(), 27 * chunk - 1, 2));
    EXPECT_EQ(source.Reads(), (std::vector<MemoryDevice::Read>{{7 * chunk - 1, 2}, {27 * chunk - 1, 2}}));

    ring.Close();
    EXPECT_FALSE(ring.IsAttached());
    EXPECT_FALSE(ring.ReadSectors(out.data(), 7 * chunk, 1));
}

TEST(CBufferStorageDevice, RingBeforeItIsFullStartsAtItsFirstSlot)
{
    MemoryDevice source(100, 4096);
    source.FillWithPattern();
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.Attach(&source, 10, 4096, 2, 5));
    EXPECT_EQ(ring.GetSectorSize(), 4096);
    std::vector<uint8_t> data(2 * 4096);
    for (uint64_t c = 0; c < 3; ++c) {
        source.ReadSectors(data.data(), 10 + c * 2, 2);
        ring.PushChunk(data.data());
    }
    source.ResetCounters();
    std::vector<uint8_t> out(6 * 4096);
    ASSERT_TRUE(ring.ReadSectors(out.data(), 10, 6));
    EXPECT_TRUE(HoldsPattern(out, 10, 6, 4096));
    EXPECT_EQ(source.ReadCount(), 0u);
    EXPECT_FALSE(ring.Attach(&source, 0, 512, 0, 20));
}

TEST(CBufferStorageDevice, ReportsTheSourceSizeAndStartsAgainAfterAGap)
{
    MemoryDevice source(100);
    source.FillWithPattern();
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.Attach(&source, 0, 512, 4, 3));
    EXPECT_EQ(ring.GetSectorCount(), 100u);
    std::vector<uint8_t> data(4 * 512);
    const uint64_t firsts[] = {0, 4, 12, 16}; // the block at 8 was not read
    for (uint64_t first : firsts) {
        ASSERT_TRUE(source.ReadSectors(data.data(), first, 4));
        ring.PushChunkAt(first, data.data());
    }
    EXPECT_EQ(ring.GetWindowStart(), 12u);
    EXPECT_EQ(ring.GetFilledCount(), 8u);
    EXPECT_FALSE(ring.IsFull());
    source.ResetCounters();
    std::vector<uint8_t> out(8 * 512);
    ASSERT_TRUE(ring.ReadSectors(out.data(), 12, 8));
    EXPECT_TRUE(HoldsPattern(out, 12, 8));
    EXPECT_EQ(source.ReadCount(), 0u);
    // Sector 4 left the ring with the gap: it comes from the source.
    ASSERT_TRUE(ring.ReadSectors(out.data(), 4, 1));
    EXPECT_TRUE(HoldsPattern(out, 4, 1));
    EXPECT_EQ(source.ReadCount(), 1u);
    CBufferStorageDevice lone;
    ASSERT_TRUE(lone.Attach(nullptr, 0, 512, 4, 3));
    lone.PushChunkAt(0, data.data());
    EXPECT_EQ(lone.GetSectorCount(), 4u);
}

TEST(CBufferStorageDevice, SharedChunksStandInForSlotsAndLeaveWithThem)
{
    const uint32_t chunk = 4;
    MemoryDevice source(100);
    source.FillWithPattern();
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.Attach(&source, 0, 512, chunk, 3));
    // Chunks 0..4, the odd ones shared, the even ones copied: the ring holds chunks 2, 3 and 4.
    std::vector<std::weak_ptr<const uint8_t>> given;
    for (uint64_t c = 0; c < 5; ++c) {
        auto data = std::make_shared<std::vector<uint8_t>>(chunk * 512);
        ASSERT_TRUE(source.ReadSectors(data->data(), c * chunk, chunk));
        if (c % 2 == 0) {
            ring.PushChunkAt(c * chunk, data->data());
            continue;
        }
        std::shared_ptr<const uint8_t> share(data, data->data());
        given.push_back(share);
        ring.PushSharedChunkAt(c * chunk, std::move(share));
    }
    EXPECT_EQ(ring.GetWindowStart(), 2u * chunk);
    // Chunk 1 left the ring and was let go; chunk 3 is still held.
    EXPECT_TRUE(given[0].expired());
    EXPECT_FALSE(given[1].expired());
    source.ResetCounters();
    std::vector<uint8_t> out(12 * 512);
    ASSERT_TRUE(ring.ReadSectors(out.data(), 2 * chunk + 1, 10)); // across copied, shared and copied chunks
    EXPECT_TRUE(HoldsPattern(out, 2 * chunk + 1, 10));
    EXPECT_EQ(source.ReadCount(), 0u);
    // A copied chunk taking the shared one's slot lets it go.
    std::vector<uint8_t> data(chunk * 512);
    for (uint64_t c = 5; c < 7; ++c) {
        ASSERT_TRUE(source.ReadSectors(data.data(), c * chunk, chunk));
        ring.PushChunkAt(c * chunk, data.data());
    }
    EXPECT_TRUE(given[1].expired());
    source.ResetCounters();
    ASSERT_TRUE(ring.ReadSectors(out.data(), 4 * chunk, 12));
    EXPECT_TRUE(HoldsPattern(out, 4 * chunk, 12));
    EXPECT_EQ(source.ReadCount(), 0u);
}
