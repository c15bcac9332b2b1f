// Header decoding and encoding, the reader's header checks and the names of an image's files.
#include "storage/diskimage/ImageFileFormat.h"

#include <cstdio>
#include <cstring>

namespace diskimage {

uint32_t GetU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void PutU32(uint8_t* p, uint32_t value)
{
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}

ImageHeader DecodeImageHeader(std::span<const uint8_t, kHeaderSize> bytes)
{
    ImageHeader h;
    const uint8_t* p = bytes.data();
    // The field is NUL-terminated by its writer, but a crafted one may not be: never look past it.
    const void* nul = std::memchr(p, 0, kSourceNameField);
    const size_t nameLength = nul ? size_t(static_cast<const uint8_t*>(nul) - p) : kSourceNameField - 1;
    h.sourceName.assign(reinterpret_cast<const char*>(p), nameLength);
    h.sectorSize = GetU32(p + kOffSectorSize);
    h.kind = GetU32(p + kOffKind);
    h.heads = GetU32(p + kOffHeads);
    h.sliceCount = GetU32(p + kOffSliceCount);
    h.totalBlocks = GetU32(p + kOffTotalBlocks);
    for (uint32_t i = 0; i < kMaxSlices; ++i)
        h.sliceBlocks[i] = GetU32(p + kOffSliceTable + 4 * i);
    h.reserved = GetU32(p + kOffReserved);
    return h;
}

namespace {

// Longest prefix of at most maxBytes that does not end inside a UTF-8 sequence.
size_t Utf8Prefix(const std::string& text, size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text.size();
    size_t n = maxBytes;
    // Back off over continuation bytes to the lead byte of the sequence that the cut would split.
    while (n > 0 && (uint8_t(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

} // namespace

void EncodeImageHeader(const ImageHeader& h, std::span<uint8_t, kHeaderSize> bytes)
{
    uint8_t* p = bytes.data();
    std::memset(p, 0, kHeaderSize);
    std::memcpy(p, h.sourceName.data(), Utf8Prefix(h.sourceName, kSourceNameField - 1));
    PutU32(p + kOffSectorSize, h.sectorSize);
    PutU32(p + kOffKind, h.kind);
    PutU32(p + kOffHeads, h.heads);
    PutU32(p + kOffSliceCount, h.sliceCount);
    PutU32(p + kOffTotalBlocks, h.totalBlocks);
    for (uint32_t i = 0; i < kMaxSlices; ++i)
        PutU32(p + kOffSliceTable + 4 * i, h.sliceBlocks[i]);
    PutU32(p + kOffReserved, h.reserved);
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
    for (uint32_t i = 0; i < h.sliceCount; ++i)
        sum += h.sliceBlocks[i];
    for (uint32_t i = h.sliceCount; i < kMaxSlices; ++i) {
        if (h.sliceBlocks[i] != 0) {
            std::snprintf(text, sizeof text, "slice %u beyond the slice count %u holds %u blocks", i,
                          h.sliceCount, h.sliceBlocks[i]);
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
    if (dot == std::string::npos || dot <= nameStart)
        return imagePath;
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
