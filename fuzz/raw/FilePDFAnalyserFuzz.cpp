// fuzz-target: salvix_raw
// The walk that measures PDF and Illustrator documents over the input as the file's bytes, with the option's bound
// and with a bound inside the input; then the signature test on the input's first sector.
#include "filesystems/tree/CRawFileInfo.h"
#include "raw/FilePDFAnalyser.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    MemorySpanSource source({data, size});
    volatile uint64_t sink = 0;
    for (uint64_t bound : {uint64_t(50000000), uint64_t(size / 2)}) {
        SpanWalkLimits limits;
        limits.maxFileSize = bound;
        limits.deviceBytes = size;
        const SpanWalkResult r = FilePDFAnalyser::Walk(source, limits);
        sink = sink + r.size + uint64_t(r.ok);
    }
    uint8_t sector[512] = {};
    std::memcpy(sector, data, size < sizeof sector ? size : sizeof sector);
    CRawFileInfo hit;
    FilePDFAnalyser analyser;
    sink = sink + uint64_t(analyser.IsMatch(sector, &hit));
    (void)sink;
    return 0;
}
