// Byte helpers of the structure walkers: prefix tests with and without case, and a two-byte search built on
// memchr so that long scans run at memory speed.
#include "raw/SpanWalk.h"

#include <cstring>

namespace spanwalk {

bool StartsWith(std::span<const uint8_t> bytes, std::span<const uint8_t> pattern)
{
    return bytes.size() >= pattern.size() &&
           (pattern.empty() || std::memcmp(bytes.data(), pattern.data(), pattern.size()) == 0);
}

bool StartsWith(std::span<const uint8_t> bytes, const char* text)
{
    return StartsWith(bytes, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text), std::strlen(text)));
}

bool StartsWithNoCase(std::span<const uint8_t> bytes, std::span<const uint8_t> pattern)
{
    if (bytes.size() < pattern.size()) return false;
    for (size_t i = 0; i < pattern.size(); ++i)
        if (Lower(bytes[i]) != Lower(pattern[i])) return false;
    return true;
}

bool StartsWithNoCase(std::span<const uint8_t> bytes, const char* text)
{
    return StartsWithNoCase(bytes,
                            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text), std::strlen(text)));
}

size_t FindEither(std::span<const uint8_t> bytes, uint8_t a, uint8_t b)
{
    const size_t n = bytes.size();
    const auto* base = bytes.data();
    if (a == b) {
        const auto* pa = n ? static_cast<const uint8_t*>(std::memchr(base, a, n)) : nullptr;
        return pa ? static_cast<size_t>(pa - base) : n;
    }
    // Two memchr over growing windows: the work stays proportional to the distance to the hit, also when one
    // of the bytes is frequent and the other rare.
    size_t from = 0;
    size_t window = 64;
    while (from < n) {
        const size_t len = window < n - from ? window : n - from;
        const auto* pa = static_cast<const uint8_t*>(std::memchr(base + from, a, len));
        const size_t lenB = pa ? static_cast<size_t>(pa - (base + from)) : len;
        const auto* pb = lenB ? static_cast<const uint8_t*>(std::memchr(base + from, b, lenB)) : nullptr;
        if (pb) return static_cast<size_t>(pb - base);
        if (pa) return static_cast<size_t>(pa - base);
        from += len;
        if (window < (size_t(1) << 16)) window *= 2;
    }
    return n;
}

} // namespace spanwalk
