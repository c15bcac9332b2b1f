// The arithmetic and texts that progress windows of saving show: sizes ("1.50 KB"), times ("01:02:03", hours
// not wrapped), the progress-bar scale and the remaining time estimated from the rate so far.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// At least 2^30 "%.2f GB", at least 2^20 "%.2f MB", at least 1024 "%.2f KB", else "%llu Byte".
std::string FormatSaveSize(uint64_t bytes);
// "%02d:%02d:%02d" of hours, minutes and seconds.
std::string FormatClock(uint64_t seconds);

// Remaining times are never shown above this (999:59:59).
constexpr uint64_t kMaxRemainingSeconds = 999ull * 3600 + 59 * 60 + 59;

// Milliseconds still to go at the rate so far: (total - done) x elapsed / done, in double and clamped to
// kMaxRemainingSeconds; 0 once done reaches the total; nothing while nothing is done.
std::optional<double> RemainingMilliseconds(uint64_t total, uint64_t done, uint64_t elapsedMs);

// The progress bar counts bytes, or MiB when the total is 1 GiB or more, so that the range fits an int.
struct ProgressScale {
    bool inMiB = false;
    bool empty = true; // nothing to save: the bar stands full
    int range = 1;
    int Position(uint64_t done) const;
};
ProgressScale MakeProgressScale(uint64_t totalBytes);
