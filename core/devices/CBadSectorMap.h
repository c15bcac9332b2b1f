// The bad-sector map of one disk, volume or image file, and the bad-sector-aware read through it. A read that
// fails is read again in ever smaller pieces down to single sectors, so that only the sectors that really fail
// are lost; a stretch of failing sectors is crossed by skipping ahead over ever longer distances, the sectors
// passed over counted as unread. Every sector handed out as zeros is reported to the reading thread's
// CReadLossScope. With skipping on, the failed and skipped sectors are recorded and never read again.
#pragma once

#include "platform/BlockDevice.h"
#include "platform/Sync.h"

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

// An area of sectors, first to end inclusive; skipped: passed over unread inside a failing stretch (its
// sectors may be good), otherwise every sector of it failed to read.
struct BadSectorRange {
    uint64_t first = 0;
    uint64_t end = 0;
    bool skipped = false;
};

// Safe to share between threads: every operation holds the map's lock.
class CBadSectorMap {
public:
    CBadSectorMap() = default;

    // Reads count sectors of the map's unit at first. error receives 0, or the Windows number of the first
    // failed read (also when the call then succeeds by skipping). The sectors that cannot be read are zero
    // and reported to the thread's CReadLossScope, the others are read. With skip on that is a success and
    // the lost sectors are recorded (recorded ones are not read again); with skip off it is a failure. A
    // device that is not ready, or a request past the device's end, fails either way (bytes not read are
    // zero). An oversized count (count x unit not below 2^32) is refused before the buffer is touched.
    bool ReadSector(plat::IBlockDevice* handle, void* buffer, uint64_t first, uint64_t count, bool skip,
                    uint32_t* error);

    // How a request crosses failing sectors: read again in pieces of at most this many bytes, halved down to
    // single sectors; after this many failing sectors in a row the reading skips ahead; and at most this many
    // failed reads are made for one request before the rest of it is passed over unread.
    static constexpr uint32_t kRescueChunkBytes = 65536;
    static constexpr int kBadRunBeforeSkip = 16;
    static constexpr int kMaxFailedReadsPerRequest = 128;

    // Whether a recorded range overlaps [first, end] (both inclusive).
    bool IsInBadRange(uint64_t first, uint64_t end);

    // Windows numbers: 0 on success (also when the first sector is already a key: the older range is kept),
    // 8 when out of memory.
    uint32_t AddRange(BadSectorRange range);
    // Sectors recorded (failed and skipped ones).
    uint64_t GetRecordedSectors();
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
    enum class Span { kRead, kLost, kFailed };
    // Reads sectors [first, first + count) into out; on a failure the sectors are rescued one by one.
    Span ReadSpan(plat::IBlockDevice* handle, uint8_t* out, uint64_t first, uint64_t count, bool skip, uint32_t* error);
    Span Rescue(plat::IBlockDevice* handle, uint8_t* out, uint64_t first, uint64_t count, bool skip);
    bool ReadWhole(plat::IBlockDevice* handle, uint8_t* out, uint64_t first, uint64_t count, uint32_t* error);
    // Zeroes, reports and (with skip on) records sectors that are lost.
    void Lose(uint8_t* out, uint64_t first, uint64_t count, bool skipped, bool record);
    // The recorded sectors within [first, last], in order, overlaps resolved.
    std::vector<BadSectorRange> RecordedParts(uint64_t first, uint64_t last);
    // The first sector of the recorded area that ends right before sector (contiguous ranges joined), or
    // UINT64_MAX when the sector before it is not recorded.
    uint64_t RecordedAreaBefore(uint64_t sector);
    void Record(uint64_t first, uint64_t end, bool skipped);

    plat::CriticalSection m_lock;
    std::map<uint64_t, BadSectorRange> m_ranges;
    uint32_t m_unit = 512;
};
