// fuzz-target: salvix_raw
// The walk that measures drawing exchange files over the input as the file's bytes, with the option's bound and with a
// bound inside the input; then the signature test on the input's first sector.
#include "raw/FileDXFAnalyser.h"

#include "fuzz/raw/RawAnalyserHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > fuzz::kMaxRawInput) return -1;
    fuzz::WalkAndMatchInput<FileDXFAnalyser>({data, size});
    return 0;
}
