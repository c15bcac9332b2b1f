// How the file-system scanners read a block of the device: in one request, and where that fails sector by
// sector, so that one bad sector does not hide the readable ones around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Reads count sectors of sectorSize bytes from sector first into to (count * sectorSize bytes). Sectors that
// cannot be read even alone are zero-filled; onUnreadable(firstSector, sectorCount) is told each run of them
// in order. Returns how many sectors could not be read. Device is anything with IStorageDevice's ReadSectors.
template <class Device, class OnUnreadable>
uint64_t ReadScanBlock(Device& device, uint8_t* to, uint64_t first, uint64_t count, size_t sectorSize,
                       OnUnreadable&& onUnreadable)
{
    if (device.ReadSectors(to, first, count)) return 0;
    uint64_t failed = 0;
    uint64_t runStart = 0;
    uint64_t runLength = 0;
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t* sector = to + i * sectorSize;
        if (device.ReadSectors(sector, first + i, 1)) {
            if (runLength != 0) onUnreadable(runStart, runLength);
            runLength = 0;
            continue;
        }
        std::memset(sector, 0, sectorSize);
        ++failed;
        if (runLength == 0) runStart = first + i;
        ++runLength;
    }
    if (runLength != 0) onUnreadable(runStart, runLength);
    return failed;
}
