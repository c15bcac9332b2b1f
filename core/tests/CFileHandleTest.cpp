// The file handle: open modes, whole-line reads and writes, seeking and the closed state.
#include "core/CFileHandle.h"
#include "platform/Errors.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Put(const fs::path& p, const std::string& text)
{
    std::ofstream(p, std::ios::binary) << text;
}

TEST(CFileHandle, OpenModes)
{
    testsupport::TempDir tmp;
    const struct {
        unsigned mode;
        bool exists;
        bool opens;
        const char* after;
    } rows[] = {
        {0, false, false, nullptr}, {1, false, false, nullptr}, {2, false, false, nullptr}, {3, false, true, ""},
        {4, false, true, ""},       {0, true, true, "old"},     {3, true, true, ""},        {4, true, true, "old"},
        {5, true, false, "old"},    {5, false, false, nullptr}, // an unknown mode touches nothing
    };
    int i = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(i);
        const fs::path p = tmp / ("f" + std::to_string(i++));
        if (r.exists) Put(p, "old");
        CFileHandle f;
        EXPECT_EQ(f.Open(p.c_str(), r.mode), r.opens);
        EXPECT_EQ(f.IsOpen(), r.opens);
        f.Close();
        if (r.after) {
            EXPECT_EQ(Contents(p), r.after);
        } else {
            EXPECT_FALSE(fs::exists(p));
        }
    }
    CFileHandle f;
    EXPECT_FALSE(f.Open((tmp / "missing").c_str(), 0));
    EXPECT_EQ(plat::GetLastError(), 2u);
    EXPECT_FALSE(f.Open(tmp.path().c_str(), 0)); // a folder is not a file
}

TEST(CFileHandle, WriteLineAddsCrLfOnce)
{
    testsupport::TempDir tmp;
    const struct {
        std::string text;
        uint32_t n;
        std::string written;
    } rows[] = {
        {"abc", 3, "abc\r\n"},
        {"abc\r\n", 5, "abc\r\n"},
        {"abc", 0, ""},
        {"ab\n", 3, "ab\n\r\n"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        CFileHandle f((tmp / "line").c_str(), CFileHandle::kCreateAlways);
        EXPECT_TRUE(f.WriteLine(r.text.c_str(), r.n));
        f.Close();
        EXPECT_EQ(Contents(tmp / "line"), r.written);
    }
}

TEST(CFileHandle, ReadLineStopsAtNewlineOrCount)
{
    testsupport::TempDir tmp;
    Put(tmp / "t", "abcdef\nxy\nz");
    CFileHandle f((tmp / "t").c_str(), CFileHandle::kRead);
    char buf[16];
    const struct {
        uint32_t n;
        uint32_t count;
        const char* text;
    } rows[] = {
        {3, 3, "abc"},
        {10, 4, "def\n"},
        {10, 3, "xy\n"},
        {10, 1, "z"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(f.ReadLine(buf, r.n), r.count);
        EXPECT_STREQ(buf, r.text);
    }
    std::memcpy(buf, "keep", 5);
    EXPECT_EQ(f.ReadLine(buf, 10), 0u);
    EXPECT_STREQ(buf, "keep");
}

TEST(CFileHandle, SeekingAndSizes)
{
    testsupport::TempDir tmp;
    CFileHandle f((tmp / "s").c_str(), CFileHandle::kOpenAlways);
    ASSERT_TRUE(f.Write("0123456789", 10));
    uint64_t size = 0;
    ASSERT_TRUE(f.GetSize(size));
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(f.GetPosition(), 10u);
    ASSERT_TRUE(f.Seek64(4));
    char buf[8] = {};
    EXPECT_EQ(f.Read(buf, 8), 6u); // short only at the end
    EXPECT_STREQ(buf, "456789");
    EXPECT_TRUE(f.SeekToBegin());
    EXPECT_EQ(f.GetPosition(), 0u);
    EXPECT_EQ(f.SeekToEnd(), 10u);
    ASSERT_TRUE(f.Seek64(5000000000ull));
    EXPECT_EQ(f.GetPosition(), 5000000000ull);
    EXPECT_EQ(f.SeekToEnd(), 10u);

    CFileHandle closed;
    EXPECT_EQ(closed.Read(buf, 1), 0u);
    EXPECT_FALSE(closed.Write("x", 1));
    EXPECT_FALSE(closed.Seek64(0));
    EXPECT_EQ(closed.SeekToEnd(), 0u);
    EXPECT_EQ(closed.GetPosition(), ~uint64_t(0));
    EXPECT_FALSE(closed.GetSize(size));
    EXPECT_EQ(closed.ReadLine(buf, 4), 0u);
}

} // namespace
