// /proc/meminfo parsing and the out-of-memory end of the process.
#include "platform/Memory.h"
#include "platform/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

TEST(Memory, ParsesMeminfo)
{
    const char* modern = "MemTotal:        8000000 kB\nMemFree:  100 kB\nMemAvailable:    2000000 kB\n"
                         "Buffers: 1 kB\nSwapTotal:       1000000 kB\nSwapFree:         500000 kB\n";
    const char* old = "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 250 kB\nSwapCached: 9 kB\n";
    plat::MemoryStatus ms;
    ASSERT_TRUE(plat::ParseMemInfo(modern, ms));
    EXPECT_EQ(ms.totalPhys, 8000000ull * 1024);
    EXPECT_EQ(ms.availPhys, 2000000ull * 1024);
    EXPECT_EQ(ms.totalPageFile, 9000000ull * 1024);
    EXPECT_EQ(ms.availPageFile, 2500000ull * 1024);
    EXPECT_EQ(ms.memoryLoad, 75u);

    ASSERT_TRUE(plat::ParseMemInfo(old, ms));
    EXPECT_EQ(ms.availPhys, 400ull * 1024); // free + buffers + cached, SwapCached not taken for Cached
    EXPECT_EQ(ms.totalPageFile, 1000ull * 1024);

    EXPECT_FALSE(plat::ParseMemInfo("MemFree: 1 kB\n", ms));
    EXPECT_FALSE(plat::ParseMemInfo("MemTotal: 99999999999999999999 kB\n", ms));
    EXPECT_FALSE(plat::ParseMemInfo("", ms));

    ASSERT_TRUE(plat::QueryMemoryStatus(ms));
    EXPECT_GT(ms.totalPhys, 0u);
}

void ReportToStderr(size_t bytes)
{
    std::fprintf(stderr, "handler saw %zu\n", bytes);
}

TEST(Memory, OutOfMemoryLogsCallsTheHandlerAndEndsTheProcess)
{
    testsupport::TempDir tmp;
    const std::string log = (tmp / "oom.log").string();
    EXPECT_EXIT(
        {
            InitLog(log.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
            plat::SetOutOfMemoryHandler(&ReportToStderr);
            plat::OutOfMemory(0x1234);
        },
        ::testing::ExitedWithCode(plat::kOutOfMemoryExitStatus), "handler saw 4660");
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Failed to alloc 0x00001234 bytes"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("Memory status:"), std::string::npos);
    EXPECT_NE(text.str().find("Total physical memory:"), std::string::npos);
}

} // namespace
