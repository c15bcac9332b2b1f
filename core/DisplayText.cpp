// Display texts of kinds, times and sizes.
#include "core/DisplayText.h"

#include "platform/Clock.h"

#include <cstdio>

namespace {

std::string FormatScaled(double bytes)
{
    constexpr double kKB = 1024.0;
    constexpr double kMB = kKB * 1024.0;
    constexpr double kGB = kMB * 1024.0;
    constexpr double kTB = kGB * 1024.0;
    char text[64];
    if (bytes >= kTB)
        std::snprintf(text, sizeof text, "%.2f TB", bytes / kTB);
    else if (bytes >= kGB)
        std::snprintf(text, sizeof text, "%.2f GB", bytes / kGB);
    else if (bytes >= kMB)
        std::snprintf(text, sizeof text, "%.2f MB", bytes / kMB);
    else
        std::snprintf(text, sizeof text, "%.2f KB", bytes / kKB);
    return text;
}

} // namespace

std::string FormatFileSystemName(int kind)
{
    static const char* const kNames[] = {"FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3", "RAW", "Unknown"};
    if (kind < 0 || kind >= static_cast<int>(sizeof kNames / sizeof kNames[0])) return std::string();
    return kNames[kind];
}

std::string FormatFileTime(uint64_t fileTime)
{
    plat::SystemTime st{};
    if (!plat::FileTimeToSystemTime(fileTime, st)) return std::string();
    char text[64];
    std::snprintf(text, sizeof text, "%d-%d-%d %d:%02d:%02d", st.year, st.month, st.day, st.hour, st.minute, st.second);
    return text;
}

std::string FormatFileDate(uint64_t fileTime)
{
    plat::SystemTime st{};
    if (!plat::FileTimeToSystemTime(fileTime, st)) return std::string();
    char text[32];
    std::snprintf(text, sizeof text, "%d-%d-%d", st.year, st.month, st.day);
    return text;
}

std::string FormatByteSize(uint64_t bytes)
{
    return FormatScaled(static_cast<double>(bytes));
}

std::string FormatSectorsAsSize(uint64_t sectors, uint32_t sectorSize)
{
    if (sectorSize == 0 || sectorSize % 512 != 0) sectorSize = 512;
    // Exact below 2^64; beyond it (a damaged size field) the double keeps the magnitude instead of wrapping.
    if (sectors <= UINT64_MAX / sectorSize) return FormatByteSize(sectors * sectorSize);
    return FormatScaled(static_cast<double>(sectors) * sectorSize);
}
