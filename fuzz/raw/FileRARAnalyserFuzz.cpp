// fuzz-target: salvix_raw
// FileRARAnalyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; then the block decoder on the raw
// bytes.
#include "raw/FileRARAnalyser.h"
#include "raw/ArchiveHeaders.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    uint64_t blockLength = 0;
    if (GetRarBlockLength(c.rest, blockLength) != IsRarBlock(c.rest) || (IsRarBlock(c.rest) && blockLength < 7))
        std::abort();
    static const uint8_t kSignature[] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    FileRARAnalyser analyser;
    fuzz::AnalyseRawDeviceCase(analyser, c, kSignature);
    return 0;
}
