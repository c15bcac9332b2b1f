// The typed recovery-state stream: a checked 132-byte header, then GUID-marked sections that writers
// fill field by field and readers read back in the same order. Errors are thrown as CRSException.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
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

    // Into the first 132 bytes of out (nothing when it is shorter).
    void Encode(std::span<uint8_t> out) const
    {
        if (out.size() < kSize) return;
        EncodeRSGuid(guid, out);
        bytes::ByteWriter w(out);
        w.u32le(16, version);
        w.u32le(20, check);
        w.u32le(24, uint32_t(kind));
        w.u32le(28, uint32_t(titleLength));
        w.copy(32, title, kMaxTitle);
    }

    // From the first 132 bytes; a zero header (marker and version zero too) when fewer are given.
    static RSHeader Decode(std::span<const uint8_t> in)
    {
        bytes::ByteReader r(in);
        RSHeader h;
        if (!r.has(0, kSize)) {
            h.guid = RSGuid{};
            h.version = 0;
            return h;
        }
        h.guid = DecodeRSGuid(in);
        h.version = r.u32le(16);
        h.check = r.u32le(20);
        h.kind = r.s32le(24);
        h.titleLength = r.s32le(28);
        r.copy(32, h.title, kMaxTitle);
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
