// The RAR walk: the marker, then blocks by their stated lengths, then the end-of-archive block.
#include "raw/FileRARAnalyser.h"

#include "raw/ArchiveHeaders.h"
#include "raw/RawWalk.h"

#include <cstring>

namespace {

int MeasureRar(RawWalk& walk)
{
    RawSectorReader& reader = walk.Reader();
    if (reader.GetSpan(0).size() < kRarMarkerSize) return 0;
    uint64_t length = 0;
    // The block after the marker is normally the archive header; any valid block will do.
    if (!GetRarBlockLength(reader.GetSpan(kRarMarkerSize), length)) return 0;
    uint64_t offset = kRarMarkerSize + length;
    const uint64_t deviceEnd = walk.BytesToDeviceEnd();
    // Each block adds at least 7 bytes, so the bound ends the walk.
    while (walk.WithinBound(offset)) {
        walk.Step();
        // Lengths are 64-bit sums: a block that reaches the device's end ends the archive there (the size is
        // then clamped to the device).
        if (offset >= deviceEnd) break;
        const std::span<const uint8_t> block = reader.GetSpan(offset);
        if (block.empty()) return 0;
        if (!GetRarBlockLength(block, length) || length > UINT64_MAX - offset) break;
        offset += length;
    }
    if (offset < deviceEnd) {
        const std::span<const uint8_t> end = reader.GetSpan(offset);
        if (end.size() >= sizeof kRarEndBlock && std::memcmp(end.data(), kRarEndBlock, sizeof kRarEndBlock) == 0)
            offset += sizeof kRarEndBlock;
    }
    walk.Hit()->SetSize(offset);
    return 1;
}

} // namespace

int FileRARAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, MeasureRar);
}
