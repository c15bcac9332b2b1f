// Clocks: a millisecond tick count and FILETIME values (u64, 100 ns units since 1601-01-01 UTC)
// with their conversions to Unix time and to calendar fields, by our own arithmetic.
#pragma once

#include <cstdint>

namespace plat {

// 100 ns units between 1601-01-01 and 1970-01-01.
inline constexpr uint64_t kFileTimeUnixEpoch = 116444736000000000ull;
inline constexpr uint64_t kFileTimeTicksPerSecond = 10000000ull;

// Milliseconds since an arbitrary start (monotonic); the 32-bit form wraps after 49.7 days.
uint32_t GetTickCount();
uint64_t GetTickCount64();

// The current time as a FILETIME.
uint64_t GetSystemTimeAsFileTime();

// Unix seconds + nanoseconds to FILETIME. Times before 1601 give 0.
uint64_t FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds = 0);

struct UnixTime {
    int64_t seconds;      // may be negative for times before 1970
    uint32_t nanoseconds; // 0..999,999,900
};
UnixTime UnixFromFileTime(uint64_t fileTime);

// Calendar fields, as the Windows SYSTEMTIME holds them.
struct SystemTime {
    uint16_t year;
    uint16_t month;     // 1..12
    uint16_t dayOfWeek; // 0 Sunday..6
    uint16_t day;       // 1..31
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
};

// Breaks a FILETIME into fields (no time-zone change). False for values past the year 30827.
bool FileTimeToSystemTime(uint64_t fileTime, SystemTime& out);
// Builds a FILETIME from fields; false when a field is out of range (dayOfWeek is ignored).
bool SystemTimeToFileTime(const SystemTime& in, uint64_t& out);

// Shifts a UTC FILETIME to the local time zone of that moment, and back.
uint64_t FileTimeToLocalFileTime(uint64_t utc);
uint64_t LocalFileTimeToFileTime(uint64_t local);

} // namespace plat
