// The writing half of the byte layer: little- and big-endian fields placed into a fixed buffer (a write
// outside it is dropped and marks the writer failed), and an appending writer for stored forms.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace bytes {

class ByteWriter {
public:
    explicit ByteWriter(std::span<uint8_t> data) : m_data(data) {}

    explicit operator bool() const { return m_ok; }
    bool ok() const { return m_ok; }
    size_t size() const { return m_data.size(); }

    void u8(uint64_t offset, uint8_t v) { le(offset, v, 1); }
    void u16le(uint64_t offset, uint16_t v) { le(offset, v, 2); }
    void u32le(uint64_t offset, uint32_t v) { le(offset, v, 4); }
    void u64le(uint64_t offset, uint64_t v) { le(offset, v, 8); }
    void u16be(uint64_t offset, uint16_t v) { be(offset, v, 2); }
    void u32be(uint64_t offset, uint32_t v) { be(offset, v, 4); }
    void u64be(uint64_t offset, uint64_t v) { be(offset, v, 8); }
    void uleN(uint64_t offset, uint64_t v, unsigned width)
    {
        if (width <= 8)
            le(offset, v, width);
        else
            m_ok = false;
    }
    void copy(uint64_t offset, const void* src, size_t count)
    {
        if (!fits(offset, count)) return;
        if (count) std::memcpy(m_data.data() + offset, src, count);
    }
    void fill(uint64_t offset, uint8_t value, size_t count)
    {
        if (!fits(offset, count)) return;
        if (count) std::memset(m_data.data() + offset, value, count);
    }

private:
    bool fits(uint64_t offset, uint64_t count)
    {
        if (offset <= m_data.size() && count <= m_data.size() - offset) return true;
        m_ok = false;
        return false;
    }
    void le(uint64_t offset, uint64_t v, unsigned width)
    {
        if (!fits(offset, width)) return;
        for (unsigned i = 0; i < width; ++i)
            m_data[static_cast<size_t>(offset) + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void be(uint64_t offset, uint64_t v, unsigned width)
    {
        if (!fits(offset, width)) return;
        for (unsigned i = 0; i < width; ++i)
            m_data[static_cast<size_t>(offset) + i] = static_cast<uint8_t>(v >> (8 * (width - 1 - i)));
    }

    std::span<uint8_t> m_data;
    bool m_ok = true;
};

// Appends fields to a growing buffer, for stored forms written field by field.
class ByteAppender {
public:
    explicit ByteAppender(std::vector<uint8_t>& out) : m_out(out) {}

    void u8(uint8_t v) { m_out.push_back(v); }
    void u16le(uint16_t v) { le(v, 2); }
    void u32le(uint32_t v) { le(v, 4); }
    void u64le(uint64_t v) { le(v, 8); }
    void s32le(int32_t v) { le(static_cast<uint32_t>(v), 4); }
    void s64le(int64_t v) { le(static_cast<uint64_t>(v), 8); }
    void u32be(uint32_t v)
    {
        for (int i = 3; i >= 0; --i) m_out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void bytes(const void* src, size_t count)
    {
        const auto* p = static_cast<const uint8_t*>(src);
        m_out.insert(m_out.end(), p, p + count);
    }
    void zeros(size_t count) { m_out.insert(m_out.end(), count, 0); }
    size_t size() const { return m_out.size(); }

private:
    void le(uint64_t v, unsigned width)
    {
        for (unsigned i = 0; i < width; ++i) m_out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    std::vector<uint8_t>& m_out;
};

} // namespace bytes
