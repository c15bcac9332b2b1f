// fuzz-target: salvix_raw
// FileGZAnalyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the gzip signature is written over the start; zlib inflates whatever follows.
#include "raw/FileGZAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    static const uint8_t kSignature[] = {0x1F, 0x8B, 0x08};
    FileGZAnalyser analyser;
    fuzz::AnalyseRawDeviceCase(analyser, c, kSignature, 0);
    fuzz::MatchAndAnalyseInput(analyser, c.rest);
    return 0;
}
