// FILETIME arithmetic: Unix conversions, calendar fields and their range checks.
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(Clock, FileTimeAndUnixTime)
{
    const struct {
        int64_t sec;
        uint32_t nsec;
        uint64_t ft;
    } rows[] = {
        {0, 0, 116444736000000000ull},
        {946684800, 0, 125911584000000000ull}, // 2000-01-01
        {1, 123456789, 116444736011234567ull}, // below 100 ns is cut
        {-11644473600, 0, 0},                  // 1601-01-01
        {-1, 0, 116444735990000000ull},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.sec);
        EXPECT_EQ(plat::FileTimeFromUnix(r.sec, r.nsec), r.ft);
        plat::UnixTime u = plat::UnixFromFileTime(r.ft);
        EXPECT_EQ(u.seconds, r.sec);
        EXPECT_EQ(u.nanoseconds, r.nsec / 100 * 100);
    }
    EXPECT_EQ(plat::FileTimeFromUnix(-11644473601), 0u);
}

TEST(Clock, SystemTimeFieldsRoundTrip)
{
    const struct {
        uint64_t ft;
        plat::SystemTime st;
    } rows[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},                           // a Monday
        {116444736000000000ull, {1970, 1, 4, 1, 0, 0, 0, 0}},       // a Thursday
        {125963423999990000ull, {2000, 2, 2, 29, 23, 59, 59, 999}}, // leap day
        {131962628967890000ull, {2019, 3, 2, 5, 12, 34, 56, 789}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.ft);
        plat::SystemTime st{};
        ASSERT_TRUE(plat::FileTimeToSystemTime(r.ft, st));
        EXPECT_EQ(st.year, r.st.year);
        EXPECT_EQ(st.month, r.st.month);
        EXPECT_EQ(st.day, r.st.day);
        EXPECT_EQ(st.dayOfWeek, r.st.dayOfWeek);
        EXPECT_EQ(st.hour, r.st.hour);
        EXPECT_EQ(st.minute, r.st.minute);
        EXPECT_EQ(st.second, r.st.second);
        EXPECT_EQ(st.milliseconds, r.st.milliseconds);
        uint64_t back = 1;
        ASSERT_TRUE(plat::SystemTimeToFileTime(st, back));
        EXPECT_EQ(back, r.ft / 10000 * 10000);
    }
}

TEST(Clock, RejectsImpossibleFields)
{
    const plat::SystemTime bad[] = {
        {1900, 2, 0, 29, 0, 0, 0, 0}, // not a leap year
        {1600, 12, 0, 31, 0, 0, 0, 0}, {2001, 13, 0, 1, 0, 0, 0, 0}, {2001, 4, 0, 31, 0, 0, 0, 0},
        {2001, 4, 0, 1, 24, 0, 0, 0},  {2001, 4, 0, 1, 0, 0, 60, 0},
    };
    for (const auto& st : bad) {
        uint64_t ft = 0;
        EXPECT_FALSE(plat::SystemTimeToFileTime(st, ft)) << st.year << "-" << st.month << "-" << st.day;
    }
    plat::SystemTime st{};
    EXPECT_FALSE(plat::FileTimeToSystemTime(0x8000000000000000ull, st));
}

TEST(Clock, LocalTimeShiftsByTheZoneOffset)
{
    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    const uint64_t winter = 125911584000000000ull;              // 2000-01-01 00:00 UTC
    const uint64_t summer = winter + 182ull * 86400 * 10000000; // 2000-07-01
    EXPECT_EQ(plat::FileTimeToLocalFileTime(winter), winter + 3600ull * 10000000);
    EXPECT_EQ(plat::FileTimeToLocalFileTime(summer), summer + 7200ull * 10000000);
    EXPECT_EQ(plat::LocalFileTimeToFileTime(plat::FileTimeToLocalFileTime(summer)), summer);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

TEST(Clock, TickCountMovesForward)
{
    const uint64_t a = plat::GetTickCount64();
    const uint64_t b = plat::GetTickCount64();
    EXPECT_LE(a, b);
    EXPECT_EQ(uint32_t(b) - plat::GetTickCount() <= 1000u, true);
}

} // namespace
