// The directory-sector test of the FAT scanner: strict entries up to the first invalid one, the dot pair at
// entries 0 and 1, and no two consecutive live entries sharing a first cluster.
#include "filesystems/fat/CFATDirSectorInfo.h"

#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/FATStructures.h"

#include <algorithm>

bool CFATDirSectorInfo::Analyse(std::span<const uint8_t> sector, const FATEntryChecks& checks)
{
    *this = CFATDirSectorInfo();
    const size_t entries = sector.size() / fat::kDirEntrySize;
    bool spoiled = false;
    bool haveDot = false;
    bool haveDotDot = false;
    uint32_t dot = 0, dotDot = 0, highest = 0, count = 0, files = 0;
    uint32_t previous = 0xFFFFFFFF;
    CFATDirEntry entry;
    for (size_t i = 0; i < entries; ++i) {
        const std::span<const uint8_t> raw = sector.subspan(i * fat::kDirEntrySize, fat::kDirEntrySize);
        entry.Attach(raw);
        if (!entry.IsValidEntry(true, checks)) {
            const bool zero = std::all_of(raw.begin(), raw.end(), [](uint8_t b) { return b == 0; });
            if ((count == 0 && !(haveDot && haveDotDot)) || !zero) spoiled = true;
            break;
        }
        if (entry.IsLongNameEntry()) continue;
        const uint32_t cluster = entry.GetFirstCluster();
        highest = std::max(highest, cluster);
        if (i == 0 && entry.IsDotEntry()) {
            haveDot = true;
            dot = cluster;
            continue;
        }
        if (i == 1 && entry.IsDotDotEntry()) {
            haveDotDot = true;
            dotDot = cluster;
            continue;
        }
        if (!entry.IsDeleted()) {
            if (cluster == previous) {
                spoiled = true;
                break;
            }
            previous = cluster;
        }
        ++count;
        // A deleted empty file has nothing to bring back: the tree leaves it out.
        if (!entry.IsDirectory() && !entry.IsVolumeLabel() && !(entry.IsDeleted() && entry.GetFileSize() == 0)) ++files;
    }
    if (haveDot && haveDotDot) {
        kind = kFirst;
        dotCluster = dot;
        dotDotCluster = dotDot;
    } else if (count != 0 && !spoiled) {
        kind = kPart;
    } else {
        return false;
    }
    entryCount = count;
    fileCount = files;
    highestCluster = highest;
    bytes = uint32_t(sector.size());
    return true;
}
