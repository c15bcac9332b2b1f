// Byte helpers of the structure walkers: prefix tests with and without case, and a two-byte search (memchr,
// or eight bytes at a time for the two cases of a letter) so that long scans run at memory speed.
#include "raw/SpanWalk.h"

#include <bit>
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
    return StartsWithNoCase(bytes, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text), std::strlen(text)));
}

size_t FindEither(std::span<const uint8_t> bytes, uint8_t a, uint8_t b)
{
    const size_t n = bytes.size();
    const auto* base = bytes.data();
    if (a == b) {
        const auto* pa = n ? static_cast<const uint8_t*>(std::memchr(base, a, n)) : nullptr;
        return pa ? static_cast<size_t>(pa - base) : n;
    }
    if ((a | 0x20) == (b | 0x20) && (a ^ b) == 0x20) {
        // The two cases of one letter: eight bytes at a time, each folded to lower case and compared. The lowest
        // byte the zero-byte test flags is always a true match (only bytes above it can be false alarms).
        constexpr uint64_t kOnes = 0x0101010101010101ull;
        constexpr uint64_t kHighs = 0x8080808080808080ull;
        const uint64_t fold = kOnes * 0x20;
        const uint64_t want = kOnes * static_cast<uint8_t>(a | 0x20);
        size_t i = 0;
        for (; i + 8 <= n; i += 8) {
            uint64_t x;
            std::memcpy(&x, base + i, 8);
            const uint64_t y = (x | fold) ^ want;
            const uint64_t zero = (y - kOnes) & ~y & kHighs;
            if (zero) {
                if constexpr (std::endian::native == std::endian::little)
                    return i + static_cast<size_t>(std::countr_zero(zero) >> 3);
                break; // the byte loop below finds it
            }
        }
        for (; i < n; ++i)
            if ((base[i] | 0x20) == (a | 0x20)) return i;
        return n;
    }
    // Any other pair: two memchr over growing windows, so that the work stays proportional to the distance to
    // the hit also when one of the bytes is frequent and the other rare.
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

size_t FindFoldedPair(std::span<const uint8_t> bytes, uint8_t first, uint8_t second)
{
    const size_t n = bytes.size();
    const auto* base = bytes.data();
    const uint8_t f0 = first | 0x20;
    const uint8_t f1 = second | 0x20;
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighs = 0x8080808080808080ull;
    const uint64_t fold = kOnes * 0x20;
    const uint64_t want0 = kOnes * f0;
    const uint64_t want1 = kOnes * f1;
    size_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Eight positions at a time: a byte of y is zero where both folded bytes match. The lowest byte the
        // zero-byte test flags is always a true zero (only bytes above it can be false alarms).
        for (; i + 9 <= n; i += 8) {
            uint64_t x0, x1;
            std::memcpy(&x0, base + i, 8);
            std::memcpy(&x1, base + i + 1, 8);
            const uint64_t y = ((x0 | fold) ^ want0) | ((x1 | fold) ^ want1);
            const uint64_t zero = (y - kOnes) & ~y & kHighs;
            if (zero) return i + static_cast<size_t>(std::countr_zero(zero) >> 3);
        }
    }
    for (; i < n; ++i)
        if ((base[i] | 0x20) == f0 && (i + 1 == n || (base[i + 1] | 0x20) == f1)) return i;
    return n;
}

uint64_t AfterLineEnd(SpanSource& source, uint64_t end, bool wide)
{
    const std::span<const uint8_t> b = source.At(end);
    if (!wide) {
        if (StartsWith(b, "\n")) return end + 1;
        return StartsWith(b, "\r\n") ? end + 2 : end;
    }
    static constexpr uint8_t kLf[] = {0x0A, 0x00};
    static constexpr uint8_t kCrLf[] = {0x0D, 0x00, 0x0A, 0x00};
    if (StartsWith(b, kLf)) return end + 2;
    return StartsWith(b, kCrLf) ? end + 4 : end;
}

} // namespace spanwalk
