// Helpers for the tests of the structure walkers: byte builders, walks over bytes in memory and a source that
// hands out block-sized spans as the device reader does.
#pragma once

#include "raw/SpanWalk.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace walktest {

using Bytes = std::vector<uint8_t>;

Bytes FromText(const std::string& text);
void Append(Bytes& b, const std::string& text);
void AppendBytes(Bytes& b, std::initializer_list<uint8_t> bytes);
void PutU16le(Bytes& b, size_t at, uint16_t v);
void PutU32le(Bytes& b, size_t at, uint32_t v);
void PutU64le(Bytes& b, size_t at, uint64_t v);
void PutU16be(Bytes& b, size_t at, uint16_t v);
void PutU32be(Bytes& b, size_t at, uint32_t v);
// Grows b with zeros to at least size bytes.
void Reserve(Bytes& b, size_t size);

// Limits for a walk over bytes: the option's default bound, the device = the bytes.
SpanWalkLimits LimitsFor(const Bytes& b, uint64_t maxFileSize = 50000000);

// Runs walk over the bytes (a memory source, at most one whole 64 KiB block plus a sector handed out per call
// as a device reader does).
SpanWalkResult WalkBytes(const Bytes& b, SpanWalkResult (*walk)(SpanSource&, const SpanWalkLimits&),
                         uint64_t maxFileSize = 50000000);

// A source over bytes that hands out the rest of the 64 KiB block holding the offset plus 512 bytes, like the
// device reader, and counts its calls.
class BlockSpanSource : public SpanSource {
public:
    explicit BlockSpanSource(const Bytes& bytes) : m_bytes(bytes) {}
    std::span<const uint8_t> At(uint64_t offset) override;
    uint64_t Calls() const { return m_calls; }

private:
    const Bytes& m_bytes;
    uint64_t m_calls = 0;
};

} // namespace walktest
