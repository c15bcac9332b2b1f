// Whole transfers on a descriptor: every byte at an offset or at the position, the end of a file, a failure.
#include "platform/FdIo.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

TEST(FdIo, WholeTransfersStopAtTheEndAndReportFailures)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "data.bin").string();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);

    const std::string text = "0123456789";
    EXPECT_EQ(plat::WriteFull(fd, text.data(), text.size()).done, text.size()); // at the position
    const plat::FdTransfer patched = plat::WriteFull(fd, "AB", 2, 4);           // at an offset
    EXPECT_EQ(patched.done, 2u);
    EXPECT_EQ(patched.error, 0);

    char buffer[32] = {};
    const plat::FdTransfer tail = plat::ReadFull(fd, buffer, sizeof buffer, 2); // past the end: what there is
    EXPECT_EQ(tail.done, 8u);
    EXPECT_EQ(tail.error, 0);
    EXPECT_EQ(std::string(buffer, tail.done), "23AB6789");
    ::close(fd);

    const plat::FdTransfer bad = plat::ReadFull(fd, buffer, 4);
    EXPECT_EQ(bad.done, 0u);
    EXPECT_EQ(bad.error, EBADF);
    EXPECT_EQ(plat::WriteFull(-1, "x", 1, 0).error, EBADF);
}
