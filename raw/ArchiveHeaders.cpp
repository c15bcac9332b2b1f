// RAR, ustar and LHA member headers: validity checks and member lengths.
#include "raw/ArchiveHeaders.h"

#include "core/bytes/ByteReader.h"

#include <algorithm>

bool IsRarBlock(std::span<const uint8_t> block)
{
    uint64_t length = 0;
    return GetRarBlockLength(block, length);
}

bool GetRarBlockLength(std::span<const uint8_t> block, uint64_t& length)
{
    bytes::ByteReader r(block);
    const uint8_t type = r.u8(2);
    const uint64_t headerSize = r.u16le(5);
    if (!r || headerSize <= 6) return false;
    switch (type) {
    case 0x73: // archive header
    case 0x76: // authenticity
        if (type == 0x73 && headerSize < 10) return false;
        length = headerSize;
        return true;
    case 0x74: { // file header
        const uint64_t packed = r.u32le(7);
        const uint64_t unpacked = r.u32le(11);
        const uint8_t host = r.u8(15);
        if (!r || unpacked < packed || host >= 5) return false;
        length = headerSize + packed;
        return true;
    }
    case 0x75: // comment
        length = headerSize + r.u16le(7);
        return bool(r);
    case 0x77: { // sub-block
        const uint64_t data = r.u32le(7);
        if (!r || r.u8(13) != 0 || !r) return false;
        length = headerSize + data;
        return true;
    }
    case 0x78: // recovery record
    case 0x7A: // new sub-block
    case 0x7B: // end of archive with data
        if (headerSize < 10) return false;
        length = headerSize + r.u32le(7);
        return bool(r);
    default: return false;
    }
}

uint64_t ParseTarSize(std::span<const uint8_t> field)
{
    const size_t digits = std::min<size_t>(field.size(), 11);
    uint64_t value = 0;
    bool started = false;
    for (size_t i = 0; i < digits; ++i) {
        const uint8_t c = field[i];
        const bool blank = c == ' ' || c == 0;
        if (blank && started) break;
        started = started || !blank;
        value = value * 8 + (c >= '0' && c <= '9' ? c - '0' : 0);
    }
    return value;
}

bool IsTarZeroBlock(std::span<const uint8_t> block)
{
    if (block.size() < kTarBlockSize) return false;
    return std::all_of(block.begin(), block.begin() + kTarBlockSize, [](uint8_t b) { return b == 0; });
}

TarHeaderKind ClassifyTarHeader(std::span<const uint8_t> block)
{
    bytes::ByteReader r(block);
    if (!r.has(0, kTarBlockSize)) return TarHeaderKind::NotTar;
    if (IsTarZeroBlock(block)) return TarHeaderKind::End;
    // Every writer of ustar archives marks each header; a header without the mark is not part of the archive.
    return r.matches(257, "ustar") ? TarHeaderKind::Member : TarHeaderKind::NotTar;
}

bool IsLzhMethodId(std::span<const uint8_t> id)
{
    if (id.size() < 5 || id[0] != '-' || id[1] != 'l' || id[4] != '-') return false;
    const uint8_t kind = id[2], variant = id[3];
    if (kind == 'h') return (variant >= '0' && variant <= '7') || variant == 'd';
    if (kind == 'z') return variant == 's' || variant == '4' || variant == '5';
    return false;
}

bool GetLzhMemberLength(std::span<const uint8_t> header, uint64_t& length)
{
    bytes::ByteReader r(header);
    if (!r.has(0, 22) || !IsLzhMethodId(r.span(2, 5))) return false;
    const uint64_t packed = r.u32le(7);
    switch (r.u8(20)) {
    case 0:
    case 1: length = uint64_t(r.u8(0)) + 2 + packed; return r.u8(0) != 0;
    case 2: {
        const uint64_t headerSize = r.u16le(0);
        if (headerSize < 26) return false;
        length = headerSize + packed;
        return true;
    }
    default: return false;
    }
}
