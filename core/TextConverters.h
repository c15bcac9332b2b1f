// Conversions between UTF-8, UTF-16 (char16_t) and the "ANSI" code page, which on this system is UTF-8.
// The operations are reachable at top level (ID3 tags) and in namespace dnc (ext2 names); each of the two
// has its own XCharError. Malformed UTF-8 (bad lead or continuation bytes, overlong forms, encoded
// surrogates) gives 0, never an exception; only EncodeUtf8Char throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>

namespace textconv {

// UTF-8 to ANSI through UTF-16; bytes written (not terminated), 0 when malformed or when it does not fit.
size_t Utf8ToMultiByte(const char* utf8, size_t byteCount, char* out, size_t outSize);

// UTF-8 to UTF-16 units. Stops at an incomplete sequence at the end of the input or when out is full (a pair
// needs two units). 0 for malformed input. A value above 0x10FFFF ends the conversion: the result is the
// number of units so far when that is more than 32, else 0.
size_t Utf8ToWide(const char* utf8, size_t byteCount, char16_t* out, size_t capacity);

// UTF-16 to UTF-8. A surrogate without its partner becomes U+FFFD (EF BF BD) and the unit after it is
// converted on its own. Stops before a character that does not fit.
size_t Utf16ToUtf8(const char16_t* units, size_t unitCount, char* out, size_t capacity);

// ANSI to UTF-8 through UTF-16 (bytes that are not UTF-8 become U+FFFD); 0 when nothing converts.
size_t AnsiToUtf8(const char* ansi, size_t byteCount, char* out, size_t capacity);

// ANSI to UTF-16; bytes that are not UTF-8 become U+FFFD. byteCount -1: up to and including the terminator.
// capacity 0: the number of units needed. -1 on failure (no input, or out too small).
int AnsiToWide(const char* text, int byteCount, char16_t* out, int capacity);

// UTF-16 to ANSI; unpaired surrogates become U+FFFD. unitCount -1: up to and including the terminator.
// capacity 0: the number of bytes needed. 0 on failure (no input, or out too small).
int WideToAnsi(const char16_t* units, int unitCount, char* out, int capacity);

// One code point as 1 to 6 bytes into out (room for 6): negative values and values below 0x80 take one byte
// holding the value. -1 for values past 0x7FFFFFFF (EncodeUtf8Char throws instead).
int EncodeUtf8CharOrFail(int64_t codePoint, char* out);

// Decodes one sequence from at most available bytes: its length (1 for ASCII), 0 when malformed or cut short.
// value receives the code point, less 0x10000 when above 0xFFFF (ready to be split into a surrogate pair).
int DecodeUtf8Char(const char* bytes, size_t available, uint32_t& value);
// The value DecodeUtf8Char gives; 0 for a malformed sequence.
uint32_t DecodeUtf8Value(const char* bytes, size_t available);

// n == -1: strcmp. Otherwise memcmp of the first min(length of a, length of b, n) bytes; when those are
// equal the longer text is the greater. -1, 0 or 1.
int CompareTextN(const char* a, const char* b, int n);

// Walks at most limit bytes up to the terminator: bytes = bytes walked, counted = those below 0x80 or
// from 0xE0 up.
void CountLeadBytes(const char* text, int& counted, int& bytes, int limit);

} // namespace textconv

// The top-level set.
class XCharError : public std::exception {
public:
    explicit XCharError(int value);
    const char* what() const noexcept override { return m_message; }
    int Value() const { return m_value; }

private:
    int m_value;
    char m_message[101]; // "XCharError:%i"
};

// Throws XCharError with the value for code points past 0x7FFFFFFF.
int EncodeUtf8Char(int64_t codePoint, char* out);
using textconv::AnsiToUtf8;
using textconv::AnsiToWide;
using textconv::CompareTextN;
using textconv::CountLeadBytes;
using textconv::DecodeUtf8Char;
using textconv::DecodeUtf8Value;
using textconv::Utf16ToUtf8;
using textconv::Utf8ToMultiByte;
using textconv::Utf8ToWide;
using textconv::WideToAnsi;

// The set the ext2 reader uses.
namespace dnc {

class XCharError : public std::exception {
public:
    explicit XCharError(int value);
    const char* what() const noexcept override { return m_message; }
    int Value() const { return m_value; }

private:
    int m_value;
    char m_message[101];
};

int EncodeUtf8Char(int64_t codePoint, char* out);
using textconv::AnsiToUtf8;
using textconv::AnsiToWide;
using textconv::CompareTextN;
using textconv::CountLeadBytes;
using textconv::DecodeUtf8Char;
using textconv::DecodeUtf8Value;
using textconv::Utf16ToUtf8;
using textconv::Utf8ToMultiByte;
using textconv::Utf8ToWide;
using textconv::WideToAnsi;

} // namespace dnc
