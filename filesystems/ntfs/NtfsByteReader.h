// Bounds-checked little-endian reads over bytes taken from a disk: a read outside the bytes yields zero and
// marks the reader failed, so a run of reads needs one check at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class NtfsByteReader {
public:
    explicit NtfsByteReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    // True while every read so far lay inside the bytes.
    explicit operator bool() const { return m_ok; }
    size_t size() const { return m_bytes.size(); }
    std::span<const uint8_t> bytes() const { return m_bytes; }

    // offset + count lies inside the bytes (computed without wrapping).
    bool Has(uint64_t offset, uint64_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }

    uint8_t u8(uint64_t offset) { return static_cast<uint8_t>(Get(offset, 1)); }
    uint16_t u16(uint64_t offset) { return static_cast<uint16_t>(Get(offset, 2)); }
    uint32_t u32(uint64_t offset) { return static_cast<uint32_t>(Get(offset, 4)); }
    uint64_t u64(uint64_t offset) { return Get(offset, 8); }
    int8_t s8(uint64_t offset) { return static_cast<int8_t>(u8(offset)); }

    // The bytes [offset, offset + count), or an empty span (and a failed reader) when they do not all lie inside.
    std::span<const uint8_t> Sub(uint64_t offset, uint64_t count)
    {
        if (!Has(offset, count)) {
            m_ok = false;
            return {};
        }
        return m_bytes.subspan(static_cast<size_t>(offset), static_cast<size_t>(count));
    }

private:
    uint64_t Get(uint64_t offset, unsigned width)
    {
        if (!Has(offset, width)) {
            m_ok = false;
            return 0;
        }
        uint64_t v = 0;
        for (unsigned i = 0; i < width; ++i) v |= uint64_t(m_bytes[offset + i]) << (8 * i);
        return v;
    }

    std::span<const uint8_t> m_bytes;
    bool m_ok = true;
};

// Writes into a mutable buffer, for the update-sequence fix-ups; callers check the offsets first.
inline void NtfsPutU16(std::span<uint8_t> bytes, size_t offset, uint16_t value)
{
    bytes[offset] = static_cast<uint8_t>(value);
    bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}

inline uint16_t NtfsGetU16(std::span<const uint8_t> bytes, size_t offset)
{
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}
