// fuzz-target: salvix_raw
// Header scripts from fuzzed bytes: parsing never reads outside the text, an accepted script's items lie in the
// first 512 bytes of a sector with at most 16 bytes each, its extension fits a type slot, and matching a sector
// stays inside it.
#include "raw/CCustomHeader.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096) return -1;
    CCustomHeader header;
    if (!header.LoadText({data, size})) return 0;
    if (header.GetExtension().empty() || header.GetExtension().size() > CScriptProcess::kMaxExtensionLength)
        std::abort();
    for (const CustomSignItem& item : header.GetItems())
        if (item.offset > CScriptProcess::kMaxOffset || item.length > CScriptProcess::kMaxItemLength) std::abort();
    // A sector of exactly 512 bytes on the heap, so a read past it is seen by the sanitizer.
    std::vector<uint8_t> sector(512, 0);
    if (size > 0) std::memset(sector.data(), data[0], sector.size());
    (void)header.IsMatch(sector.data());
    return 0;
}
