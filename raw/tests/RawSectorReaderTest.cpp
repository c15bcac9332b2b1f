// The block reader: what it reads, how far a pointer is valid, the device's last partial block, failures.
#include "raw/RawSectorReader.h"

#include "core/devices/CBufferStorageDevice.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <cstring>

using testsupport::MemoryDevice;

namespace {

uint8_t PatternAt(uint64_t byteOffset, int32_t sectorSize)
{
    return MemoryDevice::PatternByte(byteOffset / uint64_t(sectorSize), byteOffset % uint64_t(sectorSize));
}

TEST(RawSectorReaderTest, ReadsEachBlockOnceWithOneSectorOfOverlap)
{
    MemoryDevice device(1000);
    device.FillWithPattern();
    RawSectorReader reader(&device, 10);
    EXPECT_EQ(reader.GetReadCount(), 0u);

    const auto first = reader.GetSpan(0);
    ASSERT_EQ(first.size(), 129u * 512);
    EXPECT_EQ(first[0], PatternAt(10 * 512, 512));
    EXPECT_EQ(device.Reads(), (std::vector<MemoryDevice::Read>{{10, 129}}));

    // An offset near the block's end still has one whole sector behind it, from the same load.
    const auto nearEnd = reader.GetSpan(128 * 512 - 3);
    ASSERT_EQ(nearEnd.size(), 512u + 3);
    EXPECT_EQ(nearEnd[100], PatternAt(10 * 512 + 128 * 512 - 3 + 100, 512));
    EXPECT_EQ(reader.GetReadCount(), 1u);

    const auto next = reader.GetSpan(128 * 512 + 7);
    ASSERT_FALSE(next.empty());
    EXPECT_EQ(next[0], PatternAt((10 + 128) * 512 + 7, 512));
    EXPECT_EQ(device.Reads().back(), (MemoryDevice::Read{138, 129}));
}

TEST(RawSectorReaderTest, LastPartialBlockAndDeviceEnd)
{
    MemoryDevice device(300);
    device.FillWithPattern();
    RawSectorReader reader(&device, 100);
    EXPECT_EQ(reader.GetBytesToDeviceEnd(), 200u * 512);

    // Block 1 starts at sector 228: only 72 sectors remain, read in one request of exactly that many.
    const auto tail = reader.GetSpan(128 * 512 + 10);
    ASSERT_EQ(tail.size(), 72u * 512 - 10);
    EXPECT_EQ(tail.back(), PatternAt(300 * 512 - 1, 512));
    EXPECT_EQ(device.Reads().back(), (MemoryDevice::Read{228, 72}));

    EXPECT_TRUE(reader.GetSpan(200 * 512).empty());
    EXPECT_EQ(reader.GetPointer(200 * 512 + 1), nullptr);
    EXPECT_EQ(reader.GetPointer(UINT64_MAX), nullptr);

    RawSectorReader past(&device, 400);
    EXPECT_EQ(past.GetBytesToDeviceEnd(), 0u);
    EXPECT_EQ(past.GetPointer(0), nullptr);
    EXPECT_EQ(device.Reads().size(), 1u);
}

TEST(RawSectorReaderTest, FailedReads)
{
    MemoryDevice device(1000);
    device.FillWithPattern();
    device.FailSector(5);
    RawSectorReader reader(&device, 0);
    EXPECT_EQ(reader.GetPointer(0), nullptr);
    EXPECT_EQ(reader.GetPointer(100), nullptr);

    // A failing extra sector leaves the block itself readable, with no overlap behind it.
    device.ClearFailures();
    device.FailSector(128);
    RawSectorReader second(&device, 0);
    const auto span = second.GetSpan(1000);
    ASSERT_EQ(span.size(), 128u * 512 - 1000);
    EXPECT_EQ(second.GetPointer(128 * 512), nullptr);

    RawSectorReader none(nullptr, 0);
    EXPECT_EQ(none.GetPointer(0), nullptr);
    uint8_t out[4] = {1, 2, 3, 4};
    EXPECT_FALSE(none.Read(0, out, 4));
    EXPECT_EQ(out[0], 0);
}

TEST(RawSectorReaderTest, ReadersKeepTheirOwnBytesAndReadAcrossBlocks)
{
    MemoryDevice device(2000);
    device.FillWithPattern();
    RawSectorReader a(&device, 0);
    RawSectorReader b(&device, 1000);
    const uint8_t* pa = a.GetPointer(3);
    const uint8_t* pb = b.GetPointer(3);
    ASSERT_NE(pa, nullptr);
    ASSERT_NE(pb, nullptr);
    EXPECT_EQ(*pa, PatternAt(3, 512));
    EXPECT_EQ(*pb, PatternAt(1000 * 512 + 3, 512));
    EXPECT_EQ(*pa, PatternAt(3, 512)); // b's load did not touch a's bytes

    std::vector<uint8_t> out(300 * 512);
    ASSERT_TRUE(a.Read(100 * 512 + 5, out.data(), out.size()));
    for (size_t i = 0; i < out.size(); i += 997) ASSERT_EQ(out[i], PatternAt(100 * 512 + 5 + i, 512)) << i;
    EXPECT_FALSE(a.Read(1999 * 512, out.data(), 1024));
}

TEST(RawSectorReaderTest, LargeSectors)
{
    MemoryDevice device(400, 4096);
    device.FillWithPattern();
    RawSectorReader reader(&device, 2);
    EXPECT_EQ(reader.GetBlockSize(), 128u * 4096);
    const auto span = reader.GetSpan(128 * 4096 - 1);
    ASSERT_EQ(span.size(), 4096u + 1);
    EXPECT_EQ(span[0], PatternAt((2 + 128) * 4096 - 1, 4096));
}

TEST(RawSectorReaderTest, ThroughTheScanRingTheDeviceEndIsTheSourcesEnd)
{
    MemoryDevice device(50000);
    device.FillWithPattern();
    CBufferStorageDevice ring;
    ASSERT_TRUE(ring.Attach(&device, 0, 512, 8192, 2));
    std::vector<uint8_t> chunk(8192 * 512);
    ASSERT_TRUE(device.ReadSectors(chunk.data(), 0, 8192));
    ring.PushChunk(chunk.data());
    // The ring counts only the 8192 sectors it holds; the reader measures to the source's end.
    EXPECT_EQ(GetRawDeviceSectorCount(&ring), 50000u);
    RawSectorReader reader(&ring, 40000);
    EXPECT_EQ(reader.GetBytesToDeviceEnd(), 10000u * 512);
    ASSERT_NE(reader.GetPointer(0), nullptr);
    EXPECT_EQ(*reader.GetPointer(0), PatternAt(40000 * 512, 512));
}

} // namespace
