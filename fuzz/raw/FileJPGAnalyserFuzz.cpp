// fuzz-target: salvix_raw
// The EXIF reader over the input as a segment, and the JPEG walks over the input as a device.
#include "raw/FileJPGAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > fuzz::kMaxRawInput) return -1;
    const std::span<const uint8_t> input(data, size);
    ExifInfo info;
    ReadExifSegment(input, info);
    FileJPGAnalyser analyser;
    fuzz::MatchAndAnalyseInput(analyser, input);
    return 0;
}
