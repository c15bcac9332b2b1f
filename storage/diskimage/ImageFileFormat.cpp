// Header decoding and encoding, the reader's header checks and the names of an image's files.
#include "storage/diskimage/ImageFileFormat.h"

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"

#include <algorithm>
#include <cstdio>

namespace diskimage {

ImageHeader DecodeImageHeader(std::span<const uint8_t, kHeaderSize> bytes)
{
    ImageHeader h;
    bytes::ByteReader r(bytes);
    // The field is NUL-terminated by its writer, but a crafted one may not be: never look past it.
    const std::span<const uint8_t> field = r.span(0, kSourceNameField);
    const auto nul = std::find(field.begin(), field.end(), uint8_t(0));
    const size_t nameLength = nul != field.end() ? size_t(nul - field.begin()) : kSourceNameField - 1;
    h.sourceName.assign(field.begin(), field.begin() + long(nameLength));
    h.sectorSize = r.u32le(kOffSectorSize);
    h.kind = r.u32le(kOffKind);
    h.heads = r.u32le(kOffHeads);
    h.sliceCount = r.u32le(kOffSliceCount);
    h.totalBlocks = r.u32le(kOffTotalBlocks);
    for (uint32_t i = 0; i < kMaxSlices; ++i) h.sliceBlocks[i] = r.u32le(kOffSliceTable + 4 * i);
    h.reserved = r.u32le(kOffReserved);
    return h;
}

namespace {

// Longest prefix of at most maxBytes that does not end inside a UTF-8 sequence.
size_t Utf8Prefix(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes) return text.size();
    size_t n = maxBytes;
    // Back off over continuation bytes to the lead byte of the sequence that the cut would split.
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

} // namespace

void EncodeImageHeader(const ImageHeader& h, std::span<uint8_t, kHeaderSize> bytes)
{
    bytes::ByteWriter w(bytes);
    w.fill(0, 0, kHeaderSize);
    w.copy(0, h.sourceName.data(), Utf8Prefix(h.sourceName, kSourceNameField - 1));
    w.u32le(kOffSectorSize, h.sectorSize);
    w.u32le(kOffKind, h.kind);
    w.u32le(kOffHeads, h.heads);
    w.u32le(kOffSliceCount, h.sliceCount);
    w.u32le(kOffTotalBlocks, h.totalBlocks);
    for (uint32_t i = 0; i < kMaxSlices; ++i) w.u32le(kOffSliceTable + 4 * i, h.sliceBlocks[i]);
    w.u32le(kOffReserved, h.reserved);
}

uint32_t EffectiveSectorSize(uint32_t stored)
{
    return (stored >= 512 && stored <= 4096 && stored % 512 == 0) ? stored : 512;
}

bool IsStorableSectorSize(int64_t sectorSize)
{
    return sectorSize >= 512 && sectorSize <= 4096 && sectorSize % 512 == 0;
}

std::string CheckImageHeader(const ImageHeader& h)
{
    char text[160];
    if (h.kind > 3) {
        std::snprintf(text, sizeof text, "unknown compression kind %u", h.kind);
        return text;
    }
    if (h.sliceCount > kMaxSlices) {
        std::snprintf(text, sizeof text, "slice count %u above %u", h.sliceCount, kMaxSlices);
        return text;
    }
    if (h.reserved != 0) {
        std::snprintf(text, sizeof text, "word at offset %u is 0x%X, not 0", kOffReserved, h.reserved);
        return text;
    }
    uint64_t sum = 0;
    for (uint32_t i = 0; i < h.sliceCount; ++i) sum += h.sliceBlocks[i];
    for (uint32_t i = h.sliceCount; i < kMaxSlices; ++i) {
        if (h.sliceBlocks[i] != 0) {
            std::snprintf(text, sizeof text, "slice %u beyond the slice count %u holds %u blocks", i, h.sliceCount,
                          h.sliceBlocks[i]);
            return text;
        }
    }
    if (sum != h.totalBlocks) {
        std::snprintf(text, sizeof text, "slice block counts add up to %llu, total block count is %u",
                      static_cast<unsigned long long>(sum), h.totalBlocks);
        return text;
    }
    return {};
}

uint32_t StoredBlockCapacity(uint32_t blockBytes)
{
    return blockBytes + uint32_t(double(blockBytes) * 0.2 / 100);
}

std::string PathStem(const std::string& imagePath)
{
    const size_t separator = imagePath.find_last_of("/\\");
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = imagePath.rfind('.');
    // A '.' that opens the name (".img") is part of the name, not the start of an extension.
    if (dot == std::string::npos || dot <= nameStart) return imagePath;
    return imagePath.substr(0, dot);
}

std::string MakeSliceListPath(const std::string& imagePath)
{
    return PathStem(imagePath) + ".kxp";
}

std::string MakeSlicePath(const std::string& imagePath, uint32_t sliceIndex)
{
    return PathStem(imagePath) + ".part" + std::to_string(sliceIndex) + ".kxf";
}

} // namespace diskimage
