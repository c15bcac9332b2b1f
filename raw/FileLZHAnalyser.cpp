// The LHA walk: member header, packed data, next member header, until the closing zero byte.
#include "raw/FileLZHAnalyser.h"

#include "raw/ArchiveHeaders.h"
#include "raw/RawWalk.h"

#include <cstring>

namespace {

int MeasureLzh(RawWalk& walk)
{
    RawSectorReader& reader = walk.Reader();
    const std::span<const uint8_t> first = reader.GetSpan(0);
    if (first.size() < 7 ||
        (std::memcmp(first.data() + 2, "-lh5-", 5) != 0 && std::memcmp(first.data() + 2, "-lh0-", 5) != 0))
        return 0;
    uint64_t offset = 0;
    // Each member adds at least 2 bytes, so the bound ends the walk.
    while (walk.WithinBound(offset)) {
        walk.Step();
        const std::span<const uint8_t> header = reader.GetSpan(offset);
        if (header.empty()) break;
        uint64_t length = 0;
        if (!GetLzhMemberLength(header, length)) {
            if (offset == 0) return 0;
            // The archive closes with a zero byte where the next header would start.
            if (header[0] == 0) offset += 1;
            break;
        }
        if (length > UINT64_MAX - offset) break;
        offset += length;
    }
    walk.Hit()->SetSize(offset);
    return 1;
}

} // namespace

int FileLZHAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, MeasureLzh);
}
