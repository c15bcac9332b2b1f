// fuzz-target: salvix_raw
// The TIFF measurement over the input as a device; the size stays on the device.
#include "raw/FileTIFAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > fuzz::kMaxRawInput) return -1;
    const std::span<const uint8_t> input(data, size);
    FileTIFAnalyser analyser;
    fuzz::MatchAndAnalyseInput(analyser, input);
    return 0;
}
