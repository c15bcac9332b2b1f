// fuzz-target: salvix_raw
// The end-marker walker: the input's first byte gives a marker length (1..64), the next bytes the marker, the
// rest the file; searched with and without a limit of its own.
#include "raw/FindTextMarker.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > 1 << 20) return -1;
    const uint32_t length = 1 + data[0] % 64;
    if (size < 1 + length) return -1;
    MemorySpanSource source({data + 1 + length, size - 1 - length});
    for (uint64_t limit : {uint64_t(0), uint64_t(size / 3)}) {
        const TextMarker marker = MakeTextMarker(data + 1, length, limit);
        SpanWalkLimits limits;
        limits.deviceBytes = size - 1 - length;
        const SpanWalkResult r = WalkTextMarker(source, marker, limits);
        // A marker may start at the bound itself and end past it; nothing else goes beyond the first byte past it.
        const uint64_t bound = limit ? limit : limits.maxFileSize;
        if (r.ok && r.size > bound + (length > 1 ? length : 1)) __builtin_trap();
    }
    return 0;
}
