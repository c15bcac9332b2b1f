// Helpers for the tests of the structure walkers.
#include "raw/tests/WalkTestSupport.h"

#include <algorithm>

namespace walktest {

Bytes FromText(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}
void Append(Bytes& b, const std::string& text)
{
    b.insert(b.end(), text.begin(), text.end());
}
void AppendBytes(Bytes& b, std::initializer_list<uint8_t> bytes)
{
    b.insert(b.end(), bytes);
}
void Reserve(Bytes& b, size_t size)
{
    if (b.size() < size) b.resize(size, 0);
}

namespace {
void PutLe(Bytes& b, size_t at, uint64_t v, int n)
{
    Reserve(b, at + n);
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutBe(Bytes& b, size_t at, uint64_t v, int n)
{
    Reserve(b, at + n);
    for (int i = 0; i < n; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * (n - 1 - i)));
}
} // namespace

void PutU16le(Bytes& b, size_t at, uint16_t v)
{
    PutLe(b, at, v, 2);
}
void PutU32le(Bytes& b, size_t at, uint32_t v)
{
    PutLe(b, at, v, 4);
}
void PutU64le(Bytes& b, size_t at, uint64_t v)
{
    PutLe(b, at, v, 8);
}
void PutU16be(Bytes& b, size_t at, uint16_t v)
{
    PutBe(b, at, v, 2);
}
void PutU32be(Bytes& b, size_t at, uint32_t v)
{
    PutBe(b, at, v, 4);
}

SpanWalkLimits LimitsFor(const Bytes& b, uint64_t maxFileSize)
{
    SpanWalkLimits limits;
    limits.maxFileSize = maxFileSize;
    limits.deviceBytes = b.size();
    return limits;
}

SpanWalkResult WalkBytes(const Bytes& b, SpanWalkResult (*walk)(SpanSource&, const SpanWalkLimits&),
                         uint64_t maxFileSize)
{
    BlockSpanSource source(b);
    return walk(source, LimitsFor(b, maxFileSize));
}

std::span<const uint8_t> BlockSpanSource::At(uint64_t offset)
{
    ++m_calls;
    if (offset >= m_bytes.size()) return {};
    const uint64_t blockEnd = (offset / 65536 + 1) * 65536 + 512;
    const uint64_t end = std::min<uint64_t>(blockEnd, m_bytes.size());
    return std::span<const uint8_t>(m_bytes.data() + offset, static_cast<size_t>(end - offset));
}

} // namespace walktest
