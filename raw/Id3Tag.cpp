// ID3 tag decoding for the MP3 analyser: sync-safe sizes, tag and frame headers, and text frames.
#include "raw/Id3Tag.h"

#include "core/TextConverters.h"
#include "core/bytes/ByteReader.h"
#include "filesystems/tree/TextCut.h"

#include <algorithm>
#include <vector>

bool ReadSyncSafeInt(std::span<const uint8_t> bytes, uint32_t& value)
{
    if (bytes.size() < 4) return false;
    value = 0;
    for (size_t i = 0; i < 4; ++i) {
        if (bytes[i] & 0x80) return false;
        value = value << 7 | bytes[i];
    }
    return true;
}

bool DecodeId3v2Header(std::span<const uint8_t> bytes, Id3v2Header& out)
{
    bytes::ByteReader r(bytes);
    if (!r.matches(0, "ID3") || !r.has(0, kId3HeaderSize)) return false;
    const uint8_t version = r.u8(3);
    if (version != 3 && version != 4) return false;
    uint32_t size = 0;
    if (!ReadSyncSafeInt(r.span(6, 4), size)) return false;
    out.version = version;
    out.tagSize = size;
    return true;
}

bool DecodeId3FrameHeader(std::span<const uint8_t> bytes, uint8_t version, Id3FrameHeader& out)
{
    bytes::ByteReader r(bytes);
    if (!r.has(0, kId3HeaderSize)) return false;
    r.copy(0, out.id, 4);
    out.size = r.u32be(4);
    uint32_t syncSafe = 0;
    if (version == 4 && ReadSyncSafeInt(r.span(4, 4), syncSafe)) out.size = syncSafe;
    return true;
}

std::string DecodeLatin1Field(std::span<const uint8_t> field)
{
    std::string text;
    for (uint8_t c : field) {
        if (c == 0) break;
        if (c < 0x80) {
            text.push_back(static_cast<char>(c));
        } else {
            text.push_back(static_cast<char>(0xC0 | c >> 6));
            text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
        if (text.size() >= kId3MaxTextBytes + 1) break;
    }
    return CutUtf8(text, kId3MaxTextBytes);
}

std::optional<std::string> DecodeId3Text(std::span<const uint8_t> content)
{
    if (content.empty()) return std::string();
    const uint8_t encoding = content[0];
    const std::span<const uint8_t> text = content.subspan(1);
    switch (encoding) {
    case 0: return DecodeLatin1Field(text);
    case 1: {
        if (content.size() <= 3 || content[1] != 0xFF || content[2] != 0xFE) return std::string();
        // Enough UTF-16 units for kId3MaxTextBytes of UTF-8, whatever the characters.
        const size_t maxUnits = kId3MaxTextBytes + 1;
        std::vector<char16_t> units;
        for (size_t i = 3; i + 1 < content.size() && units.size() < maxUnits; i += 2) {
            const char16_t unit = static_cast<char16_t>(content[i] | content[i + 1] << 8);
            if (unit == 0) break;
            units.push_back(unit);
        }
        std::string out(units.size() * 3 + 1, '\0');
        out.resize(Utf16ToUtf8(units.data(), units.size(), out.data(), out.size()));
        return CutUtf8(out, kId3MaxTextBytes);
    }
    case 3: {
        const auto end = std::find(text.begin(), text.end(), uint8_t(0));
        std::string utf8(text.begin(), end);
        utf8 = CutUtf8(utf8, kId3MaxTextBytes);
        std::string out(utf8.size() + 1, '\0');
        out.resize(Utf8ToMultiByte(utf8.data(), utf8.size(), out.data(), out.size()));
        return out;
    }
    default: return std::nullopt;
    }
}
