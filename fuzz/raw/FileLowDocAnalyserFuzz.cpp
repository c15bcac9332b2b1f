// fuzz-target: salvix_raw
// Header sizes of compound documents and older word-processor files over the input as a device.
#include "raw/FileLowDocAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > fuzz::kMaxRawInput) return -1;
    const std::span<const uint8_t> input(data, size);
    GetLowDocHeaderSize(input);
    FileLowDocAnalyser analyser;
    fuzz::MatchAndAnalyseInput(analyser, input);
    return 0;
}
