// A scanner's view of one block: each request is served, from the block's bytes or the source, exactly as the
// read-ahead cache serves it with that block current.
#include "core/devices/CBlockViewDevice.h"
#include "core/devices/CStorageDeviceWithCache.h"

#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <vector>

using testsupport::MemoryDevice;

TEST(CBlockViewDevice, ServesEachRequestAsTheCacheDoesWithTheSameBlockCurrent)
{
    constexpr uint32_t kBlock = 100;
    MemoryDevice parent(1000);
    parent.FillWithPattern();
    CStorageDeviceWithCache cache(&parent);
    ASSERT_TRUE(cache.SetCacheBlockSize(kBlock));
    ASSERT_TRUE(cache.StartCacheThread(0));
    ASSERT_TRUE(cache.SetCurCacheBlock(0));
    ASSERT_TRUE(cache.SetCurCacheBlock(1));
    cache.StopCacheThread();
    CBlockViewDevice view(&parent);
    view.SetBlock(100, kBlock, cache.GetCurrentBlockBytes(), cache.GetCurrentBlockShare());
    EXPECT_EQ(view.GetSectorCount(), 1000u);
    EXPECT_EQ(view.GetSectorSize(), 512);

    struct Case {
        uint64_t first, count;
    } cases[] = {{99, 5}, {100, 1}, {150, 50}, {180, 30}, {199, 2}, {500, 3}, {0, 1000}, {120, 0}};
    for (bool failing : {false, true}) {
        if (failing) parent.FailSector(205);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.first << "+" << c.count << (failing ? " failing" : ""));
            std::vector<uint8_t> fromCache(c.count * 512 + 1, 0xEE), fromView(c.count * 512 + 1, 0xEE);
            parent.ResetCounters();
            const bool cacheOk = cache.ReadSectors(fromCache.data(), c.first, c.count);
            const std::vector<MemoryDevice::Read> cacheReads = parent.Reads();
            parent.ResetCounters();
            EXPECT_EQ(view.ReadSectors(fromView.data(), c.first, c.count), cacheOk);
            EXPECT_EQ(parent.Reads(), cacheReads);
            EXPECT_EQ(fromView, fromCache);
        }
    }

    // Without a block every request goes to the source.
    view.ClearBlock();
    parent.ResetCounters();
    std::vector<uint8_t> out(512);
    ASSERT_TRUE(view.ReadSectors(out.data(), 150, 1));
    EXPECT_EQ(parent.Reads(), (std::vector<MemoryDevice::Read>{{150, 1}}));
    EXPECT_FALSE(CBlockViewDevice(nullptr).ReadSectors(out.data(), 0, 1));
}
