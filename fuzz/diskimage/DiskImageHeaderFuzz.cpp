// fuzz-target: salvix_diskimage
// The 512-byte disk-image header: decoded, judged, written back and decoded again to the same fields.
#include "storage/diskimage/ImageFileFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::array<uint8_t, diskimage::kHeaderSize> bytes{};
    std::memcpy(bytes.data(), data, size < bytes.size() ? size : bytes.size());
    const diskimage::ImageHeader header = diskimage::DecodeImageHeader(bytes);
    volatile uint64_t sink =
        diskimage::CheckImageHeader(header).size() + diskimage::EffectiveSectorSize(header.sectorSize) +
        diskimage::IsStorableSectorSize(header.sectorSize) + diskimage::StoredBlockCapacity(header.totalBlocks);
    if (header.sourceName.size() > 255) __builtin_trap();
    std::array<uint8_t, diskimage::kHeaderSize> back{};
    diskimage::EncodeImageHeader(header, back);
    const diskimage::ImageHeader again = diskimage::DecodeImageHeader(back);
    if (again.kind != header.kind || again.sliceCount != header.sliceCount || again.totalBlocks != header.totalBlocks ||
        again.sliceBlocks != header.sliceBlocks || again.sectorSize != header.sectorSize)
        __builtin_trap();
    (void)sink;
    return 0;
}
