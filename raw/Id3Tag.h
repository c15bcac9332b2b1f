// ID3 tags at the start (version 2.3 and 2.4) and end (version 1) of an MP3 file: the pure decoders of their
// headers and of the title and year texts that name a recovered song.
//
// ID3v2 tag header (10 bytes): "ID3", major version (3 or 4), revision, flags, tag size as a sync-safe
//   integer at 6 (4 bytes of 7 bits each), not counting the 10 header bytes.
// ID3v2 frame header (10 bytes): frame id (4 characters), frame size at 4 (plain big-endian in version 2.3,
//   sync-safe in version 2.4), two flag bytes; the content follows, its first byte naming the text encoding
//   (0 Latin-1, 1 UTF-16 with a byte-order mark, 2 UTF-16BE, 3 UTF-8).
// ID3v1 tag (128 bytes): "TAG", title (30 bytes at 3), artist, album, year (4 bytes at 93), comment, genre.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Texts taken from a tag are cut to this many bytes (on a character boundary).
inline constexpr size_t kId3MaxTextBytes = 259;
inline constexpr uint64_t kId3HeaderSize = 10;
inline constexpr uint64_t kId3v1TagSize = 128;

// Four bytes of 7 bits each, most significant first; false when a byte has bit 7 set (or fewer than 4 bytes).
bool ReadSyncSafeInt(std::span<const uint8_t> bytes, uint32_t& value);

// "ID3", major version 3 or 4 and a valid sync-safe size at 6: the tag's version and size (without the header).
struct Id3v2Header {
    uint8_t version = 0;
    uint32_t tagSize = 0;
};
bool DecodeId3v2Header(std::span<const uint8_t> bytes, Id3v2Header& out);

// A frame header inside an ID3v2 tag of the given major version. A version 2.4 size that is not a valid
// sync-safe integer is read as a plain number, as older writers stored it.
struct Id3FrameHeader {
    char id[4] = {};
    uint32_t size = 0;
};
bool DecodeId3FrameHeader(std::span<const uint8_t> bytes, uint8_t version, Id3FrameHeader& out);

// The text of a text frame's content (encoding byte first) as UTF-8, cut to kId3MaxTextBytes and ending at the
// first NUL. Latin-1 and UTF-16 with the byte-order mark FF FE are converted; UTF-8 is kept when it is valid;
// UTF-16 with any other byte-order mark gives an empty text. Encoding 2 and unknown encodings give nothing
// (the caller keeps the text it had).
std::optional<std::string> DecodeId3Text(std::span<const uint8_t> content);

// A fixed Latin-1 field (ID3v1) as UTF-8, ending at the first NUL.
std::string DecodeLatin1Field(std::span<const uint8_t> field);
