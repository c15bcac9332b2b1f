// fuzz-target: salvix_raw
// FileTARAnalyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; then the header decoders on the raw
// bytes.
#include "raw/FileTARAnalyser.h"
#include "raw/ArchiveHeaders.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    // Eleven digits of at most 9 each, counted in base 8.
    if (ParseTarSize(c.rest) > 077777777777ull / 7 * 9) std::abort();
    (void)ClassifyTarHeader(c.rest);
    static const uint8_t kSignature[] = {'u', 's', 't', 'a', 'r'};
    FileTARAnalyser analyser;
    fuzz::AnalyseRawDeviceCase(analyser, c, kSignature, 257);
    return 0;
}
