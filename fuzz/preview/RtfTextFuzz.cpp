// fuzz-target: salvix_previewformats
// The rich-text reader of the preview and its quick test, over any bytes.
#include "views/preview/formats/RtfText.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    const std::span<const uint8_t> bytes(data, size);
    IsRtfBytes(bytes.first(size < 512 ? size : 512), bytes.last(size < 512 ? size : 512), size);
    const RtfDocument doc = ParseRtf(bytes);
    // The text never outgrows a few bytes of output per byte of input.
    size_t total = 0;
    for (const RtfParagraph& p : doc.paragraphs)
        for (const RtfRun& r : p.runs) total += r.text.size();
    if (total > 4 * size + 16) __builtin_trap();
    return 0;
}
