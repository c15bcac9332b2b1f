// The read-ahead cache over an in-memory device: block hand-over, the short last block, reads around the
// current block, failed read-ahead, out-of-order and rounded starts, and stopping a busy thread.
#include "core/devices/CStorageDeviceWithCache.h"

#include "core/devices/CReadLossScope.h"

#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <span>
#include <thread>

using testsupport::MemoryDevice;

namespace {

constexpr uint32_t kBlock = 100;

bool HoldsPattern(const std::vector<uint8_t>& out, uint64_t first, uint64_t count)
{
    for (uint64_t i = 0; i < count * 512; ++i)
        if (out[i] != MemoryDevice::PatternByte(first + i / 512, i % 512)) return false;
    return true;
}

// Reads made by the consumer after the read-ahead thread has finished.
std::vector<MemoryDevice::Read> ReadsDuring(MemoryDevice& dev, const std::function<void()>& work)
{
    dev.ResetCounters();
    work();
    return dev.Reads();
}

} // namespace

TEST(CStorageDeviceWithCache, TwoAndAHalfBlocks)
{
    MemoryDevice parent(250);
    parent.FillWithPattern();
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    EXPECT_TRUE(cache.IsValidBlockIndex(2));
    EXPECT_FALSE(cache.IsValidBlockIndex(3));
    ASSERT_TRUE(cache.StartCacheThread(0));

    std::vector<uint8_t> out(kBlock * 512);
    for (int64_t n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(cache.SetCurCacheBlock(n));
        EXPECT_EQ(cache.GetCurrentBlock(), n);
    }
    // The read-ahead read each block once (its threads in any order) and stopped at the device's end.
    std::vector<MemoryDevice::Read> readAhead = parent.Reads();
    std::sort(readAhead.begin(), readAhead.end(),
              [](const MemoryDevice::Read& a, const MemoryDevice::Read& b) { return a.first < b.first; });
    EXPECT_EQ(readAhead, (std::vector<MemoryDevice::Read>{{0, 100}, {100, 100}, {200, 50}}));

    auto reads = ReadsDuring(parent, [&] { ASSERT_TRUE(cache.ReadSectors(out.data(), 210, 40)); });
    EXPECT_TRUE(HoldsPattern(out, 210, 40));
    EXPECT_TRUE(reads.empty());
    EXPECT_FALSE(cache.SetCurCacheBlock(3));
    EXPECT_EQ(cache.GetCurrentBlock(), 2);
}

TEST(CStorageDeviceWithCache, RequestsAroundTheCurrentBlock)
{
    MemoryDevice parent(1000);
    parent.FillWithPattern();
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    ASSERT_TRUE(cache.StartCacheThread(0));
    ASSERT_TRUE(cache.SetCurCacheBlock(0));
    ASSERT_TRUE(cache.SetCurCacheBlock(1));
    cache.StopCacheThread(); // no more read-ahead: every parent read below is the consumer's
    std::vector<uint8_t> out(60 * 512);

    auto reads = ReadsDuring(parent, [&] { ASSERT_TRUE(cache.ReadSectors(out.data(), 99, 5)); });
    EXPECT_TRUE(HoldsPattern(out, 99, 5));
    EXPECT_EQ(reads, (std::vector<MemoryDevice::Read>{{99, 1}, {100, 4}})); // began before: parent only

    reads = ReadsDuring(parent, [&] { ASSERT_TRUE(cache.ReadSectors(out.data(), 180, 30)); });
    EXPECT_TRUE(HoldsPattern(out, 180, 30));
    EXPECT_EQ(reads, (std::vector<MemoryDevice::Read>{{200, 10}})); // the tail past the block

    reads = ReadsDuring(parent, [&] { ASSERT_TRUE(cache.ReadSectors(out.data(), 500, 3)); });
    EXPECT_TRUE(HoldsPattern(out, 500, 3));
    EXPECT_EQ(reads, (std::vector<MemoryDevice::Read>{{500, 3}}));

    parent.FailSector(205);
    EXPECT_FALSE(cache.ReadSectors(out.data(), 190, 20));
}

TEST(CStorageDeviceWithCache, FailedReadAheadIsDeliveredWithTheBadSectorsZeroed)
{
    MemoryDevice parent(400);
    parent.FillWithPattern();
    parent.FailSector(150);
    parent.FailSectors(170, 3);
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    ASSERT_TRUE(cache.StartCacheThread(0));
    ASSERT_TRUE(cache.SetCurCacheBlock(0));
    CReadLossScope loss; // the consumer hears of the zeroed sectors the read-ahead thread met
    ASSERT_TRUE(cache.SetCurCacheBlock(1));
    EXPECT_EQ(cache.GetCurrentBlock(), 1);
    EXPECT_EQ(loss.GetLostSectors(), 4u);

    // Block 1 comes from memory: the readable sectors as they are, the four bad ones as zeros.
    std::vector<uint8_t> out(kBlock * 512);
    ASSERT_TRUE(cache.ReadSectors(out.data(), 100, kBlock));
    for (uint64_t s = 100; s < 200; ++s) {
        SCOPED_TRACE(s);
        const bool bad = s == 150 || (s >= 170 && s < 173);
        const std::vector<uint8_t> sector(out.begin() + (s - 100) * 512, out.begin() + (s - 99) * 512);
        if (bad)
            EXPECT_EQ(sector, std::vector<uint8_t>(512, 0));
        else
            EXPECT_TRUE(HoldsPattern(sector, s, 1));
    }
    ASSERT_TRUE(cache.SetCurCacheBlock(2));
    EXPECT_EQ(cache.GetCurrentBlock(), 2);
}

TEST(CStorageDeviceWithCache, ABlockReadAfterTheOneBehindItIsStillHandedOverInOrder)
{
    // Block 0's read is held until block 1 has been read by another read-ahead thread (or a while has
    // passed, should there be only one): block 1 is queued first, and block 0 must still come first.
    MemoryDevice parent(5 * kBlock);
    parent.FillWithPattern();
    std::mutex lock;
    std::condition_variable changed;
    bool secondRead = false;
    bool overtaken = false; // block 1 was read while block 0 was held
    parent.SetReadHook([&](uint64_t first, uint64_t) {
        std::unique_lock<std::mutex> guard(lock);
        if (first == 0) {
            overtaken = changed.wait_for(guard, std::chrono::seconds(2), [&] { return secondRead; });
        } else if (first == kBlock) {
            secondRead = true;
            changed.notify_all();
        }
    });
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    ASSERT_TRUE(cache.StartCacheThread(0));
    std::vector<uint8_t> out(kBlock * 512);
    for (int64_t n = 0; n < 5; ++n) {
        SCOPED_TRACE(n);
        ASSERT_TRUE(cache.SetCurCacheBlock(n));
        ASSERT_EQ(cache.GetCurrentBlock(), n);
        const std::span<const uint8_t> bytes = cache.GetCurrentBlockBytes();
        ASSERT_EQ(bytes.size(), out.size());
        std::copy(bytes.begin(), bytes.end(), out.begin());
        EXPECT_TRUE(HoldsPattern(out, uint64_t(n) * kBlock, kBlock));
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        EXPECT_TRUE(overtaken);
    }
    // Each block was read once, by the read-ahead.
    EXPECT_EQ(parent.ReadCount(), 5u);
}

TEST(CStorageDeviceWithCache, StoppingFreesTheReadAheadBuffers)
{
    MemoryDevice parent(3000);
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    ASSERT_TRUE(cache.StartCacheThread(0));
    ASSERT_TRUE(cache.SetCurCacheBlock(0));
    while (cache.HeldBufferCount() < CStorageDeviceWithCache::kQueueDepth) std::this_thread::yield();
    cache.StopCacheThread();
    EXPECT_EQ(cache.HeldBufferCount(), 0u);
    EXPECT_EQ(cache.GetCurrentBlock(), 0); // the current block stays readable
}

TEST(CStorageDeviceWithCache, StartIsRoundedDownAndBlocksAskedOutOfOrderGoToTheParent)
{
    MemoryDevice parent(1000);
    parent.FillWithPattern();
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    ASSERT_TRUE(cache.StartCacheThread(350));
    ASSERT_TRUE(cache.SetCurCacheBlock(3));
    EXPECT_EQ(cache.GetCurrentBlock(), 3);
    std::vector<uint8_t> out(kBlock * 512);
    ASSERT_TRUE(cache.ReadSectors(out.data(), 300, kBlock));
    EXPECT_TRUE(HoldsPattern(out, 300, kBlock));

    ASSERT_TRUE(cache.SetCurCacheBlock(1)); // behind the queue: nothing to hand over
    EXPECT_EQ(cache.GetCurrentBlock(), -1);
    ASSERT_TRUE(cache.SetCurCacheBlock(6)); // ahead: blocks 4 and 5 are passed over
    EXPECT_EQ(cache.GetCurrentBlock(), 6);
    ASSERT_TRUE(cache.ReadSectors(out.data(), 600, kBlock));
    EXPECT_TRUE(HoldsPattern(out, 600, kBlock));
    cache.StopCacheThread();

    // A start past the end counts as 0.
    parent.ResetCounters();
    ASSERT_TRUE(cache.StartCacheThread(5000));
    ASSERT_TRUE(cache.SetCurCacheBlock(0));
    EXPECT_EQ(cache.GetCurrentBlock(), 0);
}

TEST(CStorageDeviceWithCache, WithoutReadAheadEveryReadGoesToTheParent)
{
    MemoryDevice parent(300);
    parent.FillWithPattern();
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    ASSERT_TRUE(cache.SetCurCacheBlock(1));
    EXPECT_EQ(cache.GetCurrentBlock(), -1);
    std::vector<uint8_t> out(512);
    ASSERT_TRUE(cache.ReadSectors(out.data(), 150, 1));
    EXPECT_TRUE(HoldsPattern(out, 150, 1));

    CStorageDeviceWithCache orphan(nullptr);
    EXPECT_FALSE(orphan.Open());
    EXPECT_EQ(orphan.GetSectorSize(), 512);
    EXPECT_FALSE(orphan.SetCurCacheBlock(0));
}

TEST(CStorageDeviceWithCache, DestructionStopsABusyReadAheadThread)
{
    MemoryDevice parent(100000);
    std::atomic<int> reads{0};
    parent.SetReadHook([&](uint64_t, uint64_t) {
        ++reads;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    {
        CStorageDeviceWithCache cache(&parent);
        ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
        ASSERT_TRUE(cache.StartCacheThread(0));
        EXPECT_FALSE(cache.SetCacheBlockSize(50)); // not while reading ahead
        while (reads < 2) std::this_thread::yield();
    }
    const int atEnd = reads;
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(reads, atEnd); // nothing reads after the cache is gone
    EXPECT_LE(atEnd, static_cast<int>(CStorageDeviceWithCache::kQueueDepth) + 2);
}

TEST(CStorageDeviceWithCache, ReadAheadStartFromTheStateFolderConfig)
{
    testsupport::TempDir dir;
    const char* old = std::getenv("SALVIX_STATE_DIR");
    const std::string saved = old ? old : "";
    setenv("SALVIX_STATE_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(ReadDebugStartSector(), 0u);
    const std::pair<const char*, uint64_t> cases[] = {
        {"2048", 2048}, {"-5", 0}, {"abc", 0}, {"8589934592", 8589934592}};
    for (const auto& [text, expected] : cases) {
        std::ofstream(dir / "config.ini") << "[main]\npos=" << text << "\n";
        EXPECT_EQ(ReadDebugStartSector(), expected) << text;
    }
    if (old)
        setenv("SALVIX_STATE_DIR", saved.c_str(), 1);
    else
        unsetenv("SALVIX_STATE_DIR");
}

TEST(CStorageDeviceWithCache, ASharedBlockKeepsItsBytesUntilItsLastShareGoes)
{
    MemoryDevice parent(30 * kBlock);
    parent.FillWithPattern();
    std::vector<std::shared_ptr<const uint8_t>> shares;
    {
        CStorageDeviceWithCache cache(&parent);
        ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
        EXPECT_EQ(cache.GetCurrentBlockShare(), nullptr);
        ASSERT_TRUE(cache.StartCacheThread(0));
        // The first blocks stay shared while the read-ahead goes on far past them with memory of its own.
        for (int64_t n = 0; n < 30; ++n) {
            ASSERT_TRUE(cache.SetCurCacheBlock(n));
            ASSERT_EQ(cache.GetCurrentBlockShare().get(), cache.GetCurrentBlockBytes().data());
            if (n < 3) shares.push_back(cache.GetCurrentBlockShare());
        }
        // Blocks that nobody shares go back to the read-ahead (with the queue, at most a few dozen are held).
        EXPECT_LT(cache.HeldBufferCount(), 20u);
        cache.StopCacheThread();
    }
    // The cache is gone; the shared blocks are unchanged.
    for (size_t n = 0; n < shares.size(); ++n) {
        const std::vector<uint8_t> bytes(shares[n].get(), shares[n].get() + kBlock * 512);
        EXPECT_TRUE(HoldsPattern(bytes, n * kBlock, kBlock)) << n;
    }
}
