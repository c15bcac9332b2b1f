// fuzz-target: salvix_previewformats
// The compound-document probe that sends previews to the office opener, over any bytes.
#include "views/preview/formats/CompoundFileProbe.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    const CompoundProbe p = ProbeCompoundFile(std::span<const uint8_t>(data, size));
    if ((p.word || p.excel) && !p.opens) __builtin_trap();
    return 0;
}
