// errno mapping and the per-thread last error.
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

namespace {

TEST(Errors, MapsErrnoToWindowsNumbers)
{
    const struct {
        int err;
        uint32_t code;
    } rows[] = {
        {0, 0},       {ENOENT, 2},  {ENOTDIR, 3}, {EACCES, 5},  {EPERM, 5},    {ENOMEM, 8},         {ENXIO, 21},
        {ENODEV, 21}, {EIO, 23},    {EEXIST, 80}, {EINVAL, 87}, {ENOSPC, 112}, {ENAMETOOLONG, 206}, {ENOTEMPTY, 145},
        {EROFS, 19},  {EDOM, 1627},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.err);
        EXPECT_EQ(plat::ErrorFromErrno(r.err), r.code);
    }
}

TEST(Errors, LastErrorBelongsToTheThread)
{
    plat::SetLastError(87);
    std::thread([] {
        EXPECT_EQ(plat::GetLastError(), 0u);
        errno = EIO;
        EXPECT_EQ(plat::SetLastErrorFromErrno(), 23u);
    }).join();
    EXPECT_EQ(plat::GetLastError(), 87u);
    EXPECT_EQ(plat::ErrorText(21), "Not ready (21)");
}

} // namespace
