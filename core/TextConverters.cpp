// The UTF-8 coder and the "ANSI" (UTF-8) conversions. Decoding is strict where the result names files
// (overlong forms and encoded surrogates would let one name be spelt several ways, e.g. C0 AF for '/').
#include "core/TextConverters.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace textconv {

namespace {

// Continuation bytes by lead byte, lead-byte masks and patterns, offsets and first-byte marks of the
// classic six-byte UTF-8 definition.
constexpr uint8_t kLeadMask[6] = {0x80, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
constexpr uint8_t kLeadPattern[6] = {0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
constexpr uint32_t kOffsets[6] = {0x00000000u, 0x00003080u, 0x000E2080u, 0x03C82080u, 0xFA082080u, 0x82082080u};
constexpr uint8_t kFirstByteMark[7] = {0x00, 0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
// The smallest value that needs c continuation bytes; anything below is an overlong form.
constexpr uint32_t kMinimum[6] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
constexpr char16_t kReplacement = 0xFFFD;

int Continuations(uint8_t lead)
{
    if (lead < 0xC0) return 0;
    if (lead < 0xE0) return 1;
    if (lead < 0xF0) return 2;
    if (lead < 0xF8) return 3;
    if (lead < 0xFC) return 4;
    return 5;
}

bool IsContinuation(uint8_t b)
{
    return b >= 0x80 && b <= 0xBF;
}

enum class Status { Ok, Malformed, Truncated };

struct Decoded {
    Status status;
    uint32_t value;
    size_t length;
};

// One sequence at p with avail bytes (avail >= 1).
Decoded DecodeOne(const uint8_t* p, size_t avail)
{
    const uint8_t lead = p[0];
    if (lead < 0x80) return {Status::Ok, lead, 1};
    const int c = Continuations(lead);
    if (size_t(c) >= avail) return {Status::Truncated, 0, 0};
    if ((lead & kLeadMask[c]) != kLeadPattern[c]) return {Status::Malformed, 0, 0};
    uint32_t v = 0;
    for (int k = 0; k <= c; ++k) {
        if (k > 0 && !IsContinuation(p[k])) return {Status::Malformed, 0, 0};
        v = (v << 6) + p[k];
    }
    v -= kOffsets[c];
    if (v < kMinimum[c] || (v >= 0xD800 && v <= 0xDFFF)) return {Status::Malformed, 0, 0};
    return {Status::Ok, v, size_t(c) + 1};
}

int EncodedLength(uint32_t cp)
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
}

void Encode(uint32_t cp, int len, char* out)
{
    for (int k = len - 1; k > 0; --k) {
        out[k] = char(0x80 | (cp & 0x3F));
        cp >>= 6;
    }
    out[0] = char(kFirstByteMark[len] | cp);
}

// Reads one code point from UTF-16 at i, advancing i; unpaired surrogates give U+FFFD.
uint32_t NextCodePoint(const char16_t* units, size_t n, size_t& i)
{
    const uint32_t u = units[i++];
    if (u >= 0xD800 && u <= 0xDBFF) {
        if (i < n && units[i] >= 0xDC00 && units[i] <= 0xDFFF) {
            const uint32_t low = units[i++];
            return ((u - 0xD800) << 10) + (low - 0xDC00) + 0x10000;
        }
        return kReplacement;
    }
    if (u >= 0xDC00 && u <= 0xDFFF) return kReplacement;
    return u;
}

// Lenient UTF-8 to UTF-16: every byte that does not start a well-formed sequence becomes U+FFFD.
// With out null only counts. Returns the units produced, or SIZE_MAX when out would overflow capacity.
size_t LenientUtf8ToUtf16(const uint8_t* p, size_t n, char16_t* out, size_t capacity)
{
    size_t o = 0;
    auto put = [&](char16_t u) {
        if (out) {
            if (o >= capacity) return false;
            out[o] = u;
        }
        ++o;
        return true;
    };
    size_t i = 0;
    while (i < n) {
        Decoded d = DecodeOne(p + i, n - i);
        if (d.status != Status::Ok) {
            if (!put(kReplacement)) return SIZE_MAX;
            ++i;
            continue;
        }
        i += d.length;
        if (d.value <= 0xFFFF) {
            if (!put(char16_t(d.value))) return SIZE_MAX;
        } else if (d.value <= 0x10FFFF) {
            const uint32_t v = d.value - 0x10000;
            if (!put(char16_t(0xD800 + (v >> 10))) || !put(char16_t(0xDC00 + (v & 0x3FF)))) return SIZE_MAX;
        } else if (!put(kReplacement)) {
            return SIZE_MAX;
        }
    }
    return o;
}

size_t TerminatedLength16(const char16_t* s)
{
    size_t n = 0;
    while (s[n]) ++n;
    return n + 1;
}

} // namespace

size_t Utf8ToWide(const char* utf8, size_t byteCount, char16_t* out, size_t capacity)
{
    if (!utf8 || !out || byteCount == 0 || capacity == 0) return 0;
    const auto* p = reinterpret_cast<const uint8_t*>(utf8);
    size_t i = 0, o = 0;
    while (i < byteCount && o < capacity) {
        if (p[i] < 0x80) {
            out[o++] = p[i++];
            continue;
        }
        Decoded d = DecodeOne(p + i, byteCount - i);
        if (d.status == Status::Truncated) break; // an incomplete sequence at the end is dropped
        if (d.status == Status::Malformed) return 0;
        if (d.value <= 0xFFFF) {
            out[o++] = char16_t(d.value);
        } else if (d.value <= 0x10FFFF) {
            if (o + 1 >= capacity) break;
            const uint32_t v = d.value - 0x10000;
            out[o++] = char16_t(0xD800 + (v >> 10));
            out[o++] = char16_t(0xDC00 + (v & 0x3FF));
        } else {
            return o > 32 ? o : 0;
        }
        i += d.length;
    }
    return o;
}

size_t Utf16ToUtf8(const char16_t* units, size_t unitCount, char* out, size_t capacity)
{
    if (!units || !out || unitCount == 0 || capacity == 0) return 0;
    size_t i = 0, o = 0;
    while (i < unitCount) {
        const uint32_t cp = NextCodePoint(units, unitCount, i);
        const int len = EncodedLength(cp);
        if (size_t(len) > capacity - o) break;
        Encode(cp, len, out + o);
        o += size_t(len);
    }
    return o;
}

int AnsiToWide(const char* text, int byteCount, char16_t* out, int capacity)
{
    if (!text || byteCount == 0 || byteCount < -1 || capacity < 0 || (capacity > 0 && !out)) return -1;
    const size_t n = byteCount == -1 ? std::strlen(text) + 1 : size_t(byteCount);
    const auto* p = reinterpret_cast<const uint8_t*>(text);
    const size_t units = LenientUtf8ToUtf16(p, n, capacity == 0 ? nullptr : out, size_t(capacity));
    if (units == SIZE_MAX || units > size_t(INT_MAX)) return -1;
    return int(units);
}

int WideToAnsi(const char16_t* units, int unitCount, char* out, int capacity)
{
    if (!units || unitCount == 0 || unitCount < -1 || capacity < 0 || (capacity > 0 && !out)) return 0;
    const size_t n = unitCount == -1 ? TerminatedLength16(units) : size_t(unitCount);
    size_t needed = 0;
    for (size_t i = 0; i < n;) needed += size_t(EncodedLength(NextCodePoint(units, n, i)));
    if (needed > size_t(INT_MAX)) return 0;
    if (capacity == 0) return int(needed);
    if (needed > size_t(capacity)) return 0;
    size_t o = 0;
    for (size_t i = 0; i < n;) {
        const uint32_t cp = NextCodePoint(units, n, i);
        const int len = EncodedLength(cp);
        Encode(cp, len, out + o);
        o += size_t(len);
    }
    return int(o);
}

size_t Utf8ToMultiByte(const char* utf8, size_t byteCount, char* out, size_t outSize)
{
    if (!utf8 || !out || byteCount == 0 || outSize == 0) return 0;
    // Never more units than input bytes, so the temporary buffer is bounded by the input as well.
    const size_t capacity = std::min(outSize, byteCount);
    std::vector<char16_t> wide(capacity + 1);
    const size_t units = Utf8ToWide(utf8, byteCount, wide.data(), capacity);
    if (units == 0) return 0;
    const int written = WideToAnsi(wide.data(), int(units), out, int(std::min<size_t>(outSize, INT_MAX)));
    return written > 0 ? size_t(written) : 0;
}

size_t AnsiToUtf8(const char* ansi, size_t byteCount, char* out, size_t capacity)
{
    if (!ansi || !out || byteCount == 0 || capacity == 0 || byteCount > size_t(INT_MAX)) return 0;
    std::vector<char16_t> wide(byteCount);
    const int units = AnsiToWide(ansi, int(byteCount), wide.data(), int(byteCount));
    if (units <= 0) return 0;
    return Utf16ToUtf8(wide.data(), size_t(units), out, capacity);
}

int EncodeUtf8CharOrFail(int64_t codePoint, char* out)
{
    if (codePoint < 0x80) {
        out[0] = char(codePoint);
        return 1;
    }
    int len;
    if (codePoint < 0x800)
        len = 2;
    else if (codePoint < 0x10000)
        len = 3;
    else if (codePoint < 0x200000)
        len = 4;
    else if (codePoint < 0x4000000)
        len = 5;
    else if (codePoint <= 0x7FFFFFFF)
        len = 6;
    else
        return -1;
    uint32_t v = uint32_t(codePoint);
    for (int k = len - 1; k > 0; --k) {
        out[k] = char(0x80 | (v & 0x3F));
        v >>= 6;
    }
    out[0] = char(kFirstByteMark[len] | v);
    return len;
}

int DecodeUtf8Char(const char* bytes, size_t available, uint32_t& value)
{
    if (!bytes || available == 0) return 0;
    Decoded d = DecodeOne(reinterpret_cast<const uint8_t*>(bytes), available);
    if (d.status != Status::Ok) return 0;
    value = d.value > 0xFFFF ? d.value - 0x10000 : d.value;
    return int(d.length);
}

uint32_t DecodeUtf8Value(const char* bytes, size_t available)
{
    uint32_t v = 0;
    return DecodeUtf8Char(bytes, available, v) ? v : 0;
}

int CompareTextN(const char* a, const char* b, int n)
{
    if (!a) a = "";
    if (!b) b = "";
    if (n == -1) {
        const int r = std::strcmp(a, b);
        return r < 0 ? -1 : r > 0 ? 1 : 0;
    }
    const size_t la = std::strlen(a), lb = std::strlen(b);
    const size_t m = std::min({la, lb, size_t(n < 0 ? 0 : n)});
    const int r = std::memcmp(a, b, m);
    if (r != 0) return r < 0 ? -1 : 1;
    return la > lb ? 1 : la < lb ? -1 : 0;
}

void CountLeadBytes(const char* text, int& counted, int& bytes, int limit)
{
    counted = 0;
    bytes = 0;
    if (!text) return;
    while (bytes < limit && text[bytes] != '\0') {
        const uint8_t b = uint8_t(text[bytes]);
        if (b < 0x80 || b >= 0xE0) ++counted;
        ++bytes;
    }
}

} // namespace textconv

namespace {

void FormatCharError(char (&message)[101], int value)
{
    std::snprintf(message, sizeof message, "XCharError:%i", value);
}

} // namespace

XCharError::XCharError(int value) : m_value(value)
{
    FormatCharError(m_message, value);
}

int EncodeUtf8Char(int64_t codePoint, char* out)
{
    const int len = textconv::EncodeUtf8CharOrFail(codePoint, out);
    if (len < 0) throw XCharError(int(codePoint));
    return len;
}

namespace dnc {

XCharError::XCharError(int value) : m_value(value)
{
    FormatCharError(m_message, value);
}

int EncodeUtf8Char(int64_t codePoint, char* out)
{
    const int len = textconv::EncodeUtf8CharOrFail(codePoint, out);
    if (len < 0) throw XCharError(int(codePoint));
    return len;
}

} // namespace dnc
