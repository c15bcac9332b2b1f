// fuzz-target: salvix_raw
// FileMOVAnalyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; then the QuickTime atom test on the
// raw bytes.
#include "raw/FileMOVAnalyser.h"
#include "raw/Mp4Atoms.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    const fuzz::RawDeviceCase c = fuzz::ReadRawDeviceCase(data, size);
    (void)IsMovFileAtom(c.rest);
    static const uint8_t kSignature[] = {0, 0, 0, 20, 'f', 't', 'y', 'p', 'q', 't', ' ', ' '};
    FileMOVAnalyser analyser;
    fuzz::AnalyseRawDeviceCase(analyser, c, kSignature);
    return 0;
}
