// fuzz-target: salvix_raw
// FileLZHAnalyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; then the member-header decoder on the
// raw bytes.
#include "raw/FileLZHAnalyser.h"
#include "raw/ArchiveHeaders.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    uint64_t memberLength = 0;
    if (GetLzhMemberLength(c.rest, memberLength) && memberLength < 2) std::abort();
    static const uint8_t kSignature[] = {'-', 'l', 'h', '5', '-'};
    FileLZHAnalyser analyser;
    fuzz::AnalyseRawDeviceCase(analyser, c, kSignature, 2);
    return 0;
}
