// The typed recovery-state stream: a checked 132-byte header, then GUID-marked sections that writers
// fill field by field and readers read back in the same order. Errors are thrown as CRSException.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "core/rsdata/CRSException.h"
#include "core/rsdata/RSGuid.h"

// The header at offset 0 of a recovery-state file, decoded. Layout (little-endian):
//   0 marker GUID (16) | 16 version, 5800 (4) | 20 check value: CRC-16 in the low half (4)
//   24 kind, 1..4 when valid (4) | 28 title length, 0..100 (4) | 32 title bytes, unterminated, rest zero (100)
struct RSHeader {
    static constexpr size_t kSize = 132;
    static constexpr uint32_t kVersion = 5800;
    static constexpr int kMaxTitle = 100;

    RSGuid guid = kRSMarkerGuid;
    uint32_t version = kVersion;
    uint32_t check = 0;
    int32_t kind = 0;
    int32_t titleLength = 0;
    char title[kMaxTitle] = {};

    void Encode(uint8_t out[kSize]) const
    {
        EncodeRSGuid(guid, out);
        auto put32 = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
        };
        put32(16, version);
        put32(20, check);
        put32(24, uint32_t(kind));
        put32(28, uint32_t(titleLength));
        std::memcpy(out + 32, title, kMaxTitle);
    }

    static RSHeader Decode(const uint8_t in[kSize])
    {
        auto get32 = [&](size_t at) {
            return uint32_t(in[at]) | uint32_t(in[at + 1]) << 8 | uint32_t(in[at + 2]) << 16 |
                   uint32_t(in[at + 3]) << 24;
        };
        RSHeader h;
        h.guid = DecodeRSGuid(in);
        h.version = get32(16);
        h.check = get32(20);
        h.kind = int32_t(get32(24));
        h.titleLength = int32_t(get32(28));
        std::memcpy(h.title, in + 32, kMaxTitle);
        return h;
    }
};

// One stream is either a writer or a reader for its whole life. Not safe to share between threads.
class IRSData {
public:
    virtual ~IRSData() = default;

    // True when the header at offset 0 is whole, the marker matches, the kind is 1..4 and the check
    // value matches.
    virtual bool IsValidFile() = 0;
    // A writer opens read-write, truncating when create is true; a reader opens read-only and only a
    // file whose header passes its check. Resets all state left from an earlier file.
    virtual bool Open(const char* path, bool create) = 0;
    virtual bool Close() = 0;
    // Writer only (false otherwise): stores the header with version 5800 and a fresh check value.
    virtual bool WriteHeader(const RSHeader* header) = 0;
    // True when 132 bytes came, the check value matches and the version is 5800; out receives the
    // header with the check field holding the value computed.
    virtual bool ReadHeader(RSHeader* out) = 0;
    virtual int GetKind() = 0;
    virtual bool SetKind(int kind) = 0;
    virtual bool WriteTitle(const char* title) = 0;
    // Copies at most size - 1 bytes of the title and a terminating zero.
    virtual bool ReadTitle(char* buffer, int size) = 0;
    // Writer: appends a new section. Reader: finds the first section with this GUID (code 7 when none).
    virtual bool BeginSection(const RSGuid& guid) = 0;
    virtual bool EndSection() = 0;
    // The open section's stored payload length (code 8 without a section).
    virtual unsigned int GetSectionLength() = 0;
    // Exactly length next bytes of the open section, or code 5.
    virtual bool Read(void* buffer, unsigned length) = 0;
    // Appends exactly these bytes to the open section.
    virtual bool Write(const void* data, unsigned length) = 0;
};

// Typed fields in their natural width, little-endian whatever the host.
template <class T>
concept RSScalar = std::is_arithmetic_v<T> || std::is_enum_v<T>;

template <RSScalar T>
inline void RSWriteValue(IRSData* stream, T value)
{
    uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(bytes, bytes + sizeof(T));
    stream->Write(bytes, sizeof(T));
}

template <RSScalar T>
inline T RSReadValue(IRSData* stream)
{
    uint8_t bytes[sizeof(T)];
    stream->Read(bytes, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(bytes, bytes + sizeof(T));
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}
