// fuzz-target: salvix_raw
// FileMP4Analyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; then the atom decoders on the raw
// bytes.
#include "raw/FileMP4Analyser.h"
#include "raw/Mp4Atoms.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    uint64_t atomLength = 0;
    if (ReadAtomLength(c.rest, atomLength) && atomLength < 8) std::abort();
    (void)IsMp4FileAtom(c.rest);
    static const uint8_t kSignature[] = {0, 0, 0, 24, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'};
    FileMP4Analyser analyser;
    fuzz::AnalyseRawDeviceCase(analyser, c, kSignature);
    return 0;
}
