// Allocation that never returns null: a failed request logs and ends the process.
#include "core/MemAlloc.h"
#include "platform/Log.h"
#include "platform/Memory.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <new>
#include <sstream>

namespace {

std::string Contents(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(MemAlloc, GivesUsableBlocks)
{
    for (size_t size : {size_t(0), size_t(1), size_t(4096)}) {
        void* p = MemAlloc(size);
        ASSERT_NE(p, nullptr);
        std::memset(p, 0xAB, size);
        MemFree(p);
    }
    MemFree(nullptr);
}

TEST(MemAlloc, FailedRequestLogsAndEndsTheProcess)
{
#if defined(SALVIX_SANITIZER_ALLOCATOR)
    GTEST_SKIP() << "the sanitizer's allocator refuses oversized requests itself";
#endif
    testsupport::TempDir tmp;
    const std::string log = (tmp / "oom.log").string();
    volatile size_t huge = SIZE_MAX / 2;
    EXPECT_EXIT(
        {
            InitLog(log.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
            void* p = MemAlloc(huge);
            std::fprintf(stderr, "continued with %p\n", p);
            std::exit(0);
        },
        ::testing::ExitedWithCode(plat::kOutOfMemoryExitStatus), "");
    EXPECT_NE(Contents(log).find("Failed to alloc 0x7fffffffffffffff bytes"), std::string::npos) << Contents(log);

    EXPECT_EXIT(
        {
            InitLog(log.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
            char* p = new char[huge];
            std::fprintf(stderr, "continued with %p\n", static_cast<void*>(p));
            std::exit(0);
        },
        ::testing::ExitedWithCode(plat::kOutOfMemoryExitStatus), "");
    // The nothrow form keeps its contract.
    EXPECT_EQ(new (std::nothrow) char[huge], nullptr);
}

} // namespace
