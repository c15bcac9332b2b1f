// fuzz-target: salvix_raw
// Compound-document names and the allocation-table walk over the input as a device; the size stays on the device.
#include "raw/FileOLEAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > fuzz::kMaxRawInput) return -1;
    const std::span<const uint8_t> input(data, size);
    uint64_t extra = 0;
    ClassifyCompoundDirectory(input, extra);
    GetCompoundLastUsedPosition(input);
    ClassifyCompoundStream(input);
    FileOLEAnalyser analyser;
    fuzz::MatchAndAnalyseInput(analyser, input);
    return 0;
}
