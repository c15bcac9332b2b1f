// fuzz-target: salvix_raw
// File3GPAnalyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; the walk it shares with MP4 files.
#include "raw/File3GPAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    static const uint8_t kSignature[] = {0, 0, 0, 24, 'f', 't', 'y', 'p', '3', 'g', 'p', '4'};
    File3GPAnalyser analyser;
    fuzz::AnalyseRawDeviceCase(analyser, c, kSignature);
    return 0;
}
