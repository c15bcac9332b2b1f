// The bad-sector map of one disk or volume, and the bad-sector-aware read through it: with skipping on, an
// unreadable area reads as zeros, is probed once to find its extent, and is never read again.
#pragma once

#include "platform/BlockDevice.h"
#include "platform/Sync.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// An area of sectors, first to end inclusive.
struct BadSectorRange {
    uint64_t first = 0;
    uint64_t end = 0;
};

// Safe to share between threads: every operation holds the map's lock.
class CBadSectorMap {
public:
    CBadSectorMap() = default;

    // Reads count sectors of the map's unit at first. error receives 0, or the Windows number of a failed read
    // (also when the call then succeeds by skipping). With skip on, an unreadable request or one touching a
    // recorded range reads as zeros and succeeds. Bytes that were not read are zero on every path that touches
    // the buffer; an oversized count (count x unit not below 2^32) is refused before the buffer is touched.
    bool ReadSector(plat::IBlockDevice* handle, void* buffer, uint64_t first, uint64_t count, bool skip,
                    uint32_t* error);

    // Probes forward from a failed sector (units of unitSectors, starting at startUnits and halving down to
    // minUnits) and records the failing area.
    void UpdateBadSector(plat::IBlockDevice* handle, uint64_t failedSector, uint32_t unitSectors, uint32_t minUnits,
                         uint32_t startUnits);

    // Whether a recorded range overlaps [first, end] (both inclusive).
    bool IsInBadRange(uint64_t first, uint64_t end);

    // Windows numbers: 0 on success (also when the first sector is already a key: the older range is kept),
    // 8 when out of memory.
    uint32_t AddRange(BadSectorRange range);
    std::optional<BadSectorRange> FindRange(uint64_t first);
    // Copies the range keyed by first into *range; false when there is none.
    bool GetRange(uint64_t first, BadSectorRange* range);
    // The first sectors of all ranges in ascending order; 87 for a null output.
    uint32_t GetRanges(std::vector<uint64_t>* firsts);
    void RemoveRange(uint64_t first);
    void Clear();
    size_t GetRangeCount();

    void SetUnit(uint32_t bytesPerSector);
    uint32_t GetUnit();

private:
    plat::CriticalSection m_lock;
    std::map<uint64_t, BadSectorRange> m_ranges;
    uint32_t m_unit = 512;
};
