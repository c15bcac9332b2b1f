// The end-marker walker: a search over the valid bytes for the marker's first two bytes in either case, then a
// case-insensitive comparison of the whole marker; a marker cut by the end of the bytes at hand is fetched again.
#include "raw/FindTextMarker.h"

#include "raw/RawAnalyserGlue.h"

#include <algorithm>
#include <cstring>

TextMarker MakeTextMarker(const void* bytes, uint32_t length, uint64_t limit)
{
    TextMarker m;
    m.markerLength = std::min<uint32_t>(length, sizeof m.marker);
    if (m.markerLength) std::memcpy(m.marker, bytes, m.markerLength);
    m.limit = limit;
    return m;
}

SpanWalkResult WalkTextMarker(SpanSource& source, const TextMarker& marker, const SpanWalkLimits& limits)
{
    const uint32_t len = std::min<uint32_t>(marker.markerLength, sizeof marker.marker);
    const std::span<const uint8_t> pattern(marker.marker, len);
    const uint64_t bound = marker.limit ? marker.limit : limits.maxFileSize;
    if (len == 0) return SpanWalkResult::Fail();
    const uint8_t lo = spanwalk::Lower(pattern[0]);
    const uint8_t up = spanwalk::Upper(pattern[0]);

    uint64_t p = 0;
    for (;;) {
        // Past the bound the size is the first position beyond it, however far the last step went.
        if (p > bound) return SpanWalkResult::Sized(bound < UINT64_MAX ? bound + 1 : bound);
        std::span<const uint8_t> s = source.At(p);
        if (s.empty()) return SpanWalkResult::Fail();
        const size_t n = spanwalk::ScanLength(p, s.size(), bound);
        size_t i = 0;
        bool refetched = false;
        while (!refetched) {
            i += len > 1 ? spanwalk::FindFoldedPair(s.subspan(i, n - i), pattern[0], pattern[1])
                         : spanwalk::FindEither(s.subspan(i, n - i), lo, up);
            if (i >= n) break;
            const uint64_t q = p + i;
            std::span<const uint8_t> at = s.subspan(i);
            if (at.size() < len) {
                // Cut by the end of the bytes at hand: fetch again from q (this may replace s).
                at = source.At(q);
                if (at.empty()) return SpanWalkResult::Fail();
                refetched = true;
            }
            if (spanwalk::StartsWithNoCase(at, pattern)) return SpanWalkResult::Sized(q + len);
            ++i;
        }
        // After a refetch, i already names the byte after the failed candidate: the search goes on there.
        p += refetched ? i : n;
        limits.Pump();
    }
}

int FindTextMarker(CRawFileInfo* hit, IStorageDevice* device, const TextMarker& marker)
{
    return RunSpanWalk(hit, device, [&marker](SpanSource& source, const SpanWalkLimits& limits) {
        return WalkTextMarker(source, marker, limits);
    });
}
