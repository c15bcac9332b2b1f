// What the structure walkers of the signature analysers read through and report: a source that hands out the
// valid bytes from an offset of the candidate file, the bounds of one walk, its verdict, and the byte helpers
// (case-insensitive comparisons, windows that never reach past the bytes a source gave).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

// The bytes of a candidate file by offset from its first byte. At(offset) returns the bytes that are valid from
// there on (at least one whole sector while the device holds one; fewer only at the end of the device), or an
// empty span when nothing can be read there. A span stays valid until the next call of At.
class SpanSource {
public:
    virtual ~SpanSource() = default;
    virtual std::span<const uint8_t> At(uint64_t offset) = 0;
};

// A source over bytes in memory: the whole rest of the bytes from every offset.
class MemorySpanSource : public SpanSource {
public:
    explicit MemorySpanSource(std::span<const uint8_t> data) : m_data(data) {}
    std::span<const uint8_t> At(uint64_t offset) override
    {
        return offset < m_data.size() ? m_data.subspan(static_cast<size_t>(offset)) : std::span<const uint8_t>();
    }

private:
    std::span<const uint8_t> m_data;
};

// The bounds of one walk: the maximal RAW file size option, the bytes the device holds from the file's first
// byte (sizes are clamped to them), and a hook the walk calls every few steps to keep its caller responsive.
struct SpanWalkLimits {
    uint64_t maxFileSize = 50000000;
    uint64_t deviceBytes = UINT64_MAX;
    std::function<void()> pump;

    void Pump() const
    {
        if (pump) pump();
    }
    uint64_t Clamp(uint64_t size) const { return size < deviceBytes ? size : deviceBytes; }
};

// The verdict of a walk: ok is the result of Analyse; a size may be set also when the walk failed.
struct SpanWalkResult {
    bool ok = false;
    bool sizeSet = false;
    uint64_t size = 0;
    int type = -1; // a refined RAW type id, or -1 to keep the hit's

    static SpanWalkResult Fail() { return {}; }
    static SpanWalkResult Sized(uint64_t size, bool ok = true) { return {ok, true, size, -1}; }
};

// Reads single bytes and fields by offset through a source, keeping the span it was last given so that walks
// that step through a file byte by byte fetch once per span.
class SpanCursor {
public:
    explicit SpanCursor(SpanSource& source) : m_source(source) {}

    // The bytes valid from offset on (fetched again when offset lies outside the span at hand); empty when
    // nothing can be read there. The span stays valid until the next call on this cursor or its source.
    std::span<const uint8_t> At(uint64_t offset)
    {
        if (offset < m_base || offset - m_base >= m_bytes.size()) {
            m_bytes = m_source.At(offset);
            m_base = offset;
        }
        return m_bytes.subspan(static_cast<size_t>(offset - m_base));
    }
    // The count bytes at offset, fetched again when the span at hand holds fewer; empty when they cannot all
    // be read.
    std::span<const uint8_t> Bytes(uint64_t offset, size_t count)
    {
        std::span<const uint8_t> b = At(offset);
        if (b.size() < count) {
            m_bytes = m_source.At(offset);
            m_base = offset;
            b = m_bytes;
        }
        return b.size() >= count ? b.first(count) : std::span<const uint8_t>();
    }
    // The byte at offset, or -1 when it cannot be read.
    int Byte(uint64_t offset)
    {
        const auto b = At(offset);
        return b.empty() ? -1 : b[0];
    }

private:
    SpanSource& m_source;
    uint64_t m_base = 0;
    std::span<const uint8_t> m_bytes;
};

namespace spanwalk {

// a + b, or UINT64_MAX when the sum does not fit.
inline uint64_t AddSat(uint64_t a, uint64_t b)
{
    return b > UINT64_MAX - a ? UINT64_MAX : a + b;
}

inline uint8_t Lower(uint8_t c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c + 32) : c;
}
inline uint8_t Upper(uint8_t c)
{
    return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 32) : c;
}

// The pattern stands at the start of the bytes (false when they are shorter).
bool StartsWith(std::span<const uint8_t> bytes, std::span<const uint8_t> pattern);
bool StartsWith(std::span<const uint8_t> bytes, const char* text);
// The same, ASCII letters compared without regard to case.
bool StartsWithNoCase(std::span<const uint8_t> bytes, std::span<const uint8_t> pattern);
bool StartsWithNoCase(std::span<const uint8_t> bytes, const char* text);

// The first position in [0, bytes.size()) holding a or b, or bytes.size().
size_t FindEither(std::span<const uint8_t> bytes, uint8_t a, uint8_t b);
// The first position where first and then second stand, compared with bit 0x20 set on both sides (so letters
// in either case match; other bytes may give extra candidates, never miss one); a first at the last byte counts
// as a candidate. bytes.size() when there is none. Candidates must be confirmed by the caller.
size_t FindFoldedPair(std::span<const uint8_t> bytes, uint8_t first, uint8_t second);

// How many of the available bytes from p a scan may look at without passing bound (inclusive).
inline size_t ScanLength(uint64_t p, size_t available, uint64_t bound)
{
    if (p > bound) return 0;
    const uint64_t last = bound - p; // the scan may look at offsets 0..last from p
    return last < available ? static_cast<size_t>(last) + 1 : available;
}

// The end of a text document with the one line end that directly follows it: end + 1 after LF, end + 2 after
// CR LF, end otherwise (also when nothing can be read there). With wide, the characters are UTF-16LE (0A 00,
// 0D 00 0A 00).
uint64_t AfterLineEnd(SpanSource& source, uint64_t end, bool wide = false);

} // namespace spanwalk
