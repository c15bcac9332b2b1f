// What one sector holds when read as FAT directory entries: nothing, a later part of a directory, or the
// first sector of a directory with its "." and ".." entries; the FAT scanner's directory evidence.
#pragma once

#include <cstdint>
#include <span>

struct FATEntryChecks;

class CFATDirSectorInfo {
public:
    enum Kind : int { kNone = 0, kPart = 1, kFirst = 2 };

    // Walks the sector's 32-byte entries (strict entry test). True when the kind is not kNone; every field is
    // reset first and left 0 for kNone.
    bool Analyse(std::span<const uint8_t> sector, const FATEntryChecks& checks);

    int kind = kNone;
    uint32_t entryCount = 0;    // entries counted, without "." and ".."
    uint32_t fileCount = 0;     // of those, the files a tree lists (no folder, volume label or deleted empty file)
    uint32_t dotCluster = 0;    // first cluster of the "." entry (kFirst)
    uint32_t dotDotCluster = 0; // first cluster of the ".." entry (kFirst)
    uint32_t highestCluster = 0;
    uint32_t bytes = 0; // bytes analysed (the sector size)
};
