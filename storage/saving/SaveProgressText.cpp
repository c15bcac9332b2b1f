// Texts and estimates of saving progress.
#include "storage/saving/SaveProgressText.h"

#include <algorithm>
#include <cstdio>

std::string FormatSaveSize(uint64_t bytes)
{
    char text[64];
    if (bytes >= (1ull << 30))
        std::snprintf(text, sizeof text, "%.2f GB", double(bytes) / double(1ull << 30));
    else if (bytes >= (1ull << 20))
        std::snprintf(text, sizeof text, "%.2f MB", double(bytes) / double(1ull << 20));
    else if (bytes >= 1024)
        std::snprintf(text, sizeof text, "%.2f KB", double(bytes) / 1024.0);
    else
        std::snprintf(text, sizeof text, "%llu Byte", static_cast<unsigned long long>(bytes));
    return text;
}

std::string FormatClock(uint64_t seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds % 3600 / 60), static_cast<unsigned long long>(seconds % 60));
    return text;
}

std::optional<double> RemainingMilliseconds(uint64_t total, uint64_t done, uint64_t elapsedMs)
{
    if (done == 0) return std::nullopt;
    if (done >= total) return 0.0;
    // In double: the product of a byte count and milliseconds overflows 64 bits for large saves.
    const double ms = double(total - done) * double(elapsedMs) / double(done);
    return std::clamp(ms, 0.0, double(kMaxRemainingSeconds) * 1000.0);
}

ProgressScale MakeProgressScale(uint64_t totalBytes)
{
    ProgressScale scale;
    if (totalBytes == 0) return scale;
    scale.empty = false;
    scale.inMiB = totalBytes >= (1ull << 30);
    const uint64_t range = scale.inMiB ? totalBytes / (1ull << 20) : totalBytes;
    scale.range = int(std::min<uint64_t>(range, INT32_MAX));
    return scale;
}

int ProgressScale::Position(uint64_t done) const
{
    if (empty) return range;
    const uint64_t at = inMiB ? done / (1ull << 20) : done;
    return int(std::min<uint64_t>(at, uint64_t(range)));
}
