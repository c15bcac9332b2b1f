// The one way bytes taken from a disk, an image or a stored file are read: bounds-checked little- and
// big-endian fields at offsets, with a sticky error so that a run of reads needs one check at the end.
// A read outside the bytes yields zero (or zeros) and marks the reader failed; nothing ever reads past the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace bytes {

class ByteReader {
public:
    ByteReader() = default;
    explicit ByteReader(std::span<const uint8_t> data) : m_data(data) {}
    ByteReader(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data), size) {}

    // True while every read so far lay inside the bytes.
    explicit operator bool() const { return m_ok; }
    bool ok() const { return m_ok; }
    // Marks the reader failed, for checks of values (not of bounds) that belong to the same run of reads.
    void fail() { m_ok = false; }

    size_t size() const { return m_data.size(); }
    std::span<const uint8_t> data() const { return m_data; }

    // [offset, offset + count) lies inside the bytes; computed without wrapping.
    bool has(uint64_t offset, uint64_t count) const
    {
        return offset <= m_data.size() && count <= m_data.size() - offset;
    }
    // Bytes that remain from offset (0 when the offset lies past the end).
    size_t remaining(uint64_t offset) const
    {
        return offset <= m_data.size() ? m_data.size() - static_cast<size_t>(offset) : 0;
    }

    uint8_t u8(uint64_t offset) { return static_cast<uint8_t>(le(offset, 1)); }
    uint16_t u16le(uint64_t offset) { return static_cast<uint16_t>(le(offset, 2)); }
    uint32_t u24le(uint64_t offset) { return static_cast<uint32_t>(le(offset, 3)); }
    uint32_t u32le(uint64_t offset) { return static_cast<uint32_t>(le(offset, 4)); }
    uint64_t u48le(uint64_t offset) { return le(offset, 6); }
    uint64_t u64le(uint64_t offset) { return le(offset, 8); }
    uint16_t u16be(uint64_t offset) { return static_cast<uint16_t>(be(offset, 2)); }
    uint32_t u24be(uint64_t offset) { return static_cast<uint32_t>(be(offset, 3)); }
    uint32_t u32be(uint64_t offset) { return static_cast<uint32_t>(be(offset, 4)); }
    uint64_t u64be(uint64_t offset) { return be(offset, 8); }
    int8_t s8(uint64_t offset) { return static_cast<int8_t>(u8(offset)); }
    int16_t s16le(uint64_t offset) { return static_cast<int16_t>(u16le(offset)); }
    int32_t s32le(uint64_t offset) { return static_cast<int32_t>(u32le(offset)); }
    int64_t s64le(uint64_t offset) { return static_cast<int64_t>(u64le(offset)); }

    // An unsigned little-endian field of 1 to 8 bytes (mapping pairs, variable-width counts).
    uint64_t uleN(uint64_t offset, unsigned width) { return width <= 8 ? le(offset, width) : failed(); }
    // A signed little-endian field of 1 to 8 bytes, sign-extended from its top byte.
    int64_t sleN(uint64_t offset, unsigned width)
    {
        if (width == 0 || width > 8) return static_cast<int64_t>(failed());
        const uint64_t v = le(offset, width);
        if (width == 8) return static_cast<int64_t>(v);
        const uint64_t sign = uint64_t(1) << (8 * width - 1);
        return static_cast<int64_t>((v ^ sign) - sign);
    }

    // The bytes [offset, offset + count), or an empty span (and a failed reader) when they do not all lie inside.
    std::span<const uint8_t> span(uint64_t offset, uint64_t count)
    {
        if (!has(offset, count)) {
            m_ok = false;
            return {};
        }
        return m_data.subspan(static_cast<size_t>(offset), static_cast<size_t>(count));
    }
    // The bytes from offset to the end (empty, without failing, when offset is exactly the end).
    std::span<const uint8_t> tail(uint64_t offset) { return span(offset, remaining(offset)); }

    // A reader over [offset, offset + count); an empty failed reader (and this one failed) when out of bounds.
    ByteReader sub(uint64_t offset, uint64_t count)
    {
        if (!has(offset, count)) {
            m_ok = false;
            ByteReader r;
            r.m_ok = false;
            return r;
        }
        return ByteReader(m_data.subspan(static_cast<size_t>(offset), static_cast<size_t>(count)));
    }

    // Copies count bytes to out; zeros (and a failed reader) when they do not all lie inside.
    void copy(uint64_t offset, void* out, size_t count)
    {
        if (!has(offset, count)) {
            m_ok = false;
            if (count) std::memset(out, 0, count);
            return;
        }
        if (count) std::memcpy(out, m_data.data() + offset, count);
    }

    // True when the bytes at offset equal the pattern (false, without failing the reader, when they lie outside).
    bool matches(uint64_t offset, std::span<const uint8_t> pattern) const
    {
        return has(offset, pattern.size()) &&
               (pattern.empty() || std::memcmp(m_data.data() + offset, pattern.data(), pattern.size()) == 0);
    }
    bool matches(uint64_t offset, const char* text) const
    {
        return matches(offset, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text), std::strlen(text)));
    }

private:
    uint64_t failed()
    {
        m_ok = false;
        return 0;
    }
    uint64_t le(uint64_t offset, unsigned width)
    {
        if (!has(offset, width)) return failed();
        uint64_t v = 0;
        for (unsigned i = width; i-- > 0;) v = v << 8 | m_data[static_cast<size_t>(offset) + i];
        return v;
    }
    uint64_t be(uint64_t offset, unsigned width)
    {
        if (!has(offset, width)) return failed();
        uint64_t v = 0;
        for (unsigned i = 0; i < width; ++i) v = v << 8 | m_data[static_cast<size_t>(offset) + i];
        return v;
    }

    std::span<const uint8_t> m_data;
    bool m_ok = true;
};

// Unchecked little-endian loads for hot loops whose bounds were proven once before the loop.
inline uint16_t LoadU16le(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t LoadU32le(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint32_t LoadU32be(const uint8_t* p)
{
    return uint32_t(p[3]) | uint32_t(p[2]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 24;
}

} // namespace bytes
