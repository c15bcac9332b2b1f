// Tick counts from CLOCK_MONOTONIC and FILETIME arithmetic on days since 1601.
#include "platform/Clock.h"

#include <ctime>

namespace plat {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
// 1601-01-01 lies this many days before 1970-01-01.
constexpr int64_t kDays1601To1970 = 134774;
constexpr uint64_t kMaxFileTime = 0x7FFFFFFFFFFFFFFFull;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's civil algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = int64_t(yoe) + era * 400 + (m <= 2);
}

bool IsLeap(int64_t y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(int64_t y, unsigned m)
{
    static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

int64_t UtcOffsetSeconds(int64_t unixSeconds)
{
    time_t t = time_t(unixSeconds);
    tm local{};
    if (!localtime_r(&t, &local)) return 0;
    return local.tm_gmtoff;
}

uint64_t Shift(uint64_t ft, int64_t seconds)
{
    const int64_t delta = seconds * int64_t(kFileTimeTicksPerSecond);
    if (delta < 0 && ft < uint64_t(-delta)) return 0;
    return uint64_t(int64_t(ft) + delta);
}

} // namespace

uint64_t GetTickCount64()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
}

uint32_t GetTickCount()
{
    return uint32_t(GetTickCount64());
}

uint64_t GetSystemTimeAsFileTime()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FileTimeFromUnix(ts.tv_sec, uint32_t(ts.tv_nsec));
}

uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds)
{
    constexpr int64_t kMinSeconds = -kDays1601To1970 * kSecondsPerDay;
    constexpr int64_t kMaxSeconds = int64_t(kMaxFileTime / kFileTimeTicksPerSecond) + kMinSeconds - 1;
    if (seconds < kMinSeconds) return 0;
    if (seconds > kMaxSeconds) return kMaxFileTime;
    return uint64_t(seconds - kMinSeconds) * kFileTimeTicksPerSecond + (nanoseconds % 1000000000u) / 100u;
}

UnixTime UnixFromFileTime(uint64_t fileTime)
{
    const int64_t wholeSeconds = int64_t(fileTime / kFileTimeTicksPerSecond);
    UnixTime out;
    out.seconds = wholeSeconds - kDays1601To1970 * kSecondsPerDay;
    out.nanoseconds = uint32_t(fileTime % kFileTimeTicksPerSecond) * 100u;
    return out;
}

bool FileTimeToSystemTime(uint64_t fileTime, SystemTime& out)
{
    if (fileTime > kMaxFileTime) return false;
    const uint64_t totalMs = fileTime / 10000u;
    const int64_t days1601 = int64_t(totalMs / 86400000u);
    uint64_t msOfDay = totalMs % 86400000u;
    int64_t y;
    unsigned m, d;
    CivilFromDays(days1601 - kDays1601To1970, y, m, d);
    out.year = uint16_t(y);
    out.month = uint16_t(m);
    out.day = uint16_t(d);
    out.dayOfWeek = uint16_t((days1601 + 1) % 7); // 1601-01-01 was a Monday
    out.hour = uint16_t(msOfDay / 3600000u);
    msOfDay %= 3600000u;
    out.minute = uint16_t(msOfDay / 60000u);
    msOfDay %= 60000u;
    out.second = uint16_t(msOfDay / 1000u);
    out.milliseconds = uint16_t(msOfDay % 1000u);
    return true;
}

bool SystemTimeToFileTime(const SystemTime& in, uint64_t& out)
{
    if (in.year < 1601 || in.year > 30827 || in.month < 1 || in.month > 12 || in.day < 1 ||
        in.day > DaysInMonth(in.year, in.month) || in.hour > 23 || in.minute > 59 || in.second > 59 ||
        in.milliseconds > 999)
        return false;
    const int64_t days1601 = DaysFromCivil(in.year, in.month, in.day) + kDays1601To1970;
    const uint64_t ms = uint64_t(days1601) * 86400000u + uint64_t(in.hour) * 3600000u + uint64_t(in.minute) * 60000u +
                        uint64_t(in.second) * 1000u + in.milliseconds;
    out = ms * 10000u;
    return true;
}

uint64_t FileTimeToLocalFileTime(uint64_t utc)
{
    return Shift(utc, UtcOffsetSeconds(UnixFromFileTime(utc).seconds));
}

uint64_t LocalFileTimeToFileTime(uint64_t local)
{
    // The offset at the local moment read as UTC is right except within an hour of a change; a second look fixes that.
    const int64_t guess = UtcOffsetSeconds(UnixFromFileTime(local).seconds);
    const uint64_t first = Shift(local, -guess);
    return Shift(local, -UtcOffsetSeconds(UnixFromFileTime(first).seconds));
}

} // namespace plat
