// Bounds-checked little-endian reads and writes over byte spans, for partition tables and the stored
// device records. A read past the end gives 0 and marks the reader failed; a write past the end is dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace partitions {

class LeReader {
public:
    explicit LeReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    uint8_t u8(size_t at) { return static_cast<uint8_t>(Get(at, 1)); }
    uint16_t u16(size_t at) { return static_cast<uint16_t>(Get(at, 2)); }
    uint32_t u32(size_t at) { return static_cast<uint32_t>(Get(at, 4)); }
    uint64_t u64(size_t at) { return Get(at, 8); }
    // Copies size bytes into out (zeros when they lie past the end).
    void bytes(size_t at, void* out, size_t size)
    {
        if (at > m_bytes.size() || size > m_bytes.size() - at) {
            m_ok = false;
            std::memset(out, 0, size);
            return;
        }
        std::memcpy(out, m_bytes.data() + at, size);
    }
    explicit operator bool() const { return m_ok; }

private:
    uint64_t Get(size_t at, size_t width)
    {
        if (at > m_bytes.size() || width > m_bytes.size() - at) {
            m_ok = false;
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = width; i-- > 0;) v = v << 8 | m_bytes[at + i];
        return v;
    }

    std::span<const uint8_t> m_bytes;
    bool m_ok = true;
};

class LeWriter {
public:
    explicit LeWriter(std::span<uint8_t> bytes) : m_bytes(bytes) {}

    void u8(size_t at, uint8_t v) { Put(at, v, 1); }
    void u32(size_t at, uint32_t v) { Put(at, v, 4); }
    void u64(size_t at, uint64_t v) { Put(at, v, 8); }
    void bytes(size_t at, const void* data, size_t size)
    {
        if (at <= m_bytes.size() && size <= m_bytes.size() - at) std::memcpy(m_bytes.data() + at, data, size);
    }

private:
    void Put(size_t at, uint64_t v, size_t width)
    {
        if (at > m_bytes.size() || width > m_bytes.size() - at) return;
        for (size_t i = 0; i < width; ++i, v >>= 8) m_bytes[at + i] = static_cast<uint8_t>(v);
    }

    std::span<uint8_t> m_bytes;
};

} // namespace partitions
