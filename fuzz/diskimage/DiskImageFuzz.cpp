// fuzz-target: salvix_diskimage
// A whole disk image read back: the input is a 32-bit little-endian length n, then n bytes of the image file
// (header and block index), then the bytes of its slice file, which the slice list names for every slice.
// The image device checks its slices and reads blocks at the start, middle and end, decoding each with the
// header's codec.
#include "fuzz/common/FuzzFile.h"
#include "fuzz/common/FuzzInput.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"
#include "storage/diskimage/ImageFileFormat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 21) return -1;
    fuzz::FuzzInput in(data, size);
    const uint32_t imageBytes = in.U32();
    const std::span<const uint8_t> image = in.Bytes(imageBytes);
    const std::span<const uint8_t> slice = in.Rest();

    const std::string slicePath = fuzz::WriteFuzzFile("img.part1.kxf", slice.data(), slice.size());
    std::string list;
    for (uint32_t i = 0; i < diskimage::kMaxSlices; ++i) list += slicePath + "\r\n";
    fuzz::WriteFuzzFile("img.kxp", reinterpret_cast<const uint8_t*>(list.data()), list.size());
    const std::string imagePath = fuzz::WriteFuzzFile("img.kxi", image.data(), image.size());

    CImageFileDeviceWithDecompress device(imagePath);
    char name[300];
    device.ReadHeaderString(name, sizeof(name));
    volatile uint64_t sink = device.CheckSlices() + device.IsValid() + device.GetSourceName().size() +
                             uint64_t(device.ReadHeaderValue()) + uint64_t(device.GetCompressionKind());
    const uint64_t sectors = device.GetSectorCount();
    const int32_t sectorSize = device.GetSectorSize();
    if (sectors == 0 || sectorSize <= 0) return 0;
    std::vector<uint8_t> buffer(size_t(sectorSize) * 300);
    const uint64_t block = diskimage::kBlockSectors;
    for (uint64_t first :
         {uint64_t(0), block - 1, block, sectors / 2, sectors - std::min(sectors, block), sectors - 1}) {
        if (first >= sectors) continue;
        const uint64_t count = std::min<uint64_t>(300, sectors - first);
        sink = sink + device.ReadSectors(buffer.data(), first, count) + buffer[0];
    }
    sink = sink + device.ReadSectors(buffer.data(), sectors, 1); // past the end
    (void)sink;
    return 0;
}
