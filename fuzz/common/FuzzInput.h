// Splits a fuzz input into the parameters and byte runs a target needs: integers taken from the front, the
// rest as bytes. Short inputs give zeros, never a failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : m_bytes(data, size) {}

    uint64_t Take(unsigned width)
    {
        uint64_t v = 0;
        for (unsigned i = 0; i < width && m_at < m_bytes.size(); ++i) v |= uint64_t(m_bytes[m_at++]) << (8 * i);
        return v;
    }
    uint8_t U8() { return uint8_t(Take(1)); }
    uint16_t U16() { return uint16_t(Take(2)); }
    uint32_t U32() { return uint32_t(Take(4)); }
    bool Bool() { return (Take(1) & 1) != 0; }

    // The next count bytes, or fewer when the input ends.
    std::span<const uint8_t> Bytes(size_t count)
    {
        const size_t n = count < m_bytes.size() - m_at ? count : m_bytes.size() - m_at;
        const std::span<const uint8_t> out = m_bytes.subspan(m_at, n);
        m_at += n;
        return out;
    }
    std::span<const uint8_t> Rest() { return Bytes(m_bytes.size() - m_at); }
    size_t Remaining() const { return m_bytes.size() - m_at; }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_at = 0;
};

} // namespace fuzz
