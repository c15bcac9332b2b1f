// fuzz-target: salvix_raw
// ZIP records, descriptors and the archive walk over the input as a device; the size stays on the device.
#include "raw/FileZIPAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > fuzz::kMaxRawInput) return -1;
    const std::span<const uint8_t> input(data, size);
    int type = 68;
    if (IsZipRecord(input)) GetZipRecordLength(input, true, type);
    MatchZipDataDescriptor(input, size / 2);
    FileZIPAnalyser analyser;
    fuzz::MatchAndAnalyseInput(analyser, input);
    return 0;
}
