// The scanners' block read: one request when it succeeds, otherwise sector by sector with the unreadable
// runs zeroed and told in order.
#include "filesystems/common/ScanBlockRead.h"

#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

using testsupport::MemoryDevice;

TEST(ScanBlockRead, UnreadableRunsAreZeroedAndToldInOrder)
{
    using Run = std::pair<uint64_t, uint64_t>;
    struct Case {
        int32_t sectorSize;
        std::set<uint64_t> failing;
        std::vector<Run> runs; // of the read of sectors 2 to 11
    };
    const Case cases[] = {
        {512, {}, {}},
        {512, {3, 4, 9}, {{3, 2}, {9, 1}}},
        {4096, {2, 11}, {{2, 1}, {11, 1}}},
        {512, {0, 1, 12}, {}}, // outside the block
        {512, {2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {{2, 10}}},
    };
    for (const Case& c : cases) {
        MemoryDevice device(16, c.sectorSize);
        device.FillWithPattern();
        for (uint64_t s : c.failing) device.FailSector(s);
        const size_t size = size_t(c.sectorSize);
        std::vector<uint8_t> block(10 * size, 0xEE);
        std::vector<Run> told;
        const uint64_t failed = ReadScanBlock(device, block.data(), 2, 10, size,
                                              [&](uint64_t first, uint64_t n) { told.emplace_back(first, n); });
        EXPECT_EQ(told, c.runs) << c.sectorSize << " " << c.failing.size();
        uint64_t unreadable = 0;
        for (uint64_t i = 0; i < 10; ++i) {
            const bool fails = c.failing.count(2 + i) != 0;
            unreadable += fails ? 1 : 0;
            for (size_t b = 0; b < size; b += 97)
                ASSERT_EQ(block[i * size + b], fails ? 0 : MemoryDevice::PatternByte(2 + i, b)) << "sector " << 2 + i;
        }
        EXPECT_EQ(failed, unreadable);
        if (told.empty()) {
            EXPECT_EQ(device.ReadCount(), 1u) << "a readable block is one request";
        }
    }
}
