// The UTF-8 coder and the UTF-8/UTF-16/ANSI conversions, malformed and cut-short input included.
#include "core/TextConverters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string ToWide(const std::string& in, size_t capacity = 64)
{
    std::vector<char16_t> out(capacity + 1, u'?');
    size_t n = Utf8ToWide(in.data(), in.size(), out.data(), capacity);
    return std::u16string(out.data(), n);
}

std::string ToUtf8(const std::u16string& in, size_t capacity = 64)
{
    std::string out(capacity, '?');
    size_t n = Utf16ToUtf8(in.data(), in.size(), out.data(), capacity);
    out.resize(n);
    return out;
}

TEST(TextConverters, Utf8ToWide)
{
    const std::string ascii33(33, 'a');
    const struct {
        const char* name;
        std::string in;
        size_t capacity;
        std::u16string out;
    } rows[] = {
        {"three-byte", "\xE6\x97\xA5", 64, u"\x65E5"},
        {"four-byte pair", "\xF0\x9F\x98\x80", 64, u"\xD83D\xDE00"},
        {"lone continuation",
         "\x80"
         "abc",
         64, u""},
        {"bad continuation", "ab\xC3\x28", 64, u""},
        {"overlong slash", "a\xC0\xAF", 64, u""},
        {"overlong three-byte", "\xE0\x80\xAF", 64, u""},
        {"encoded surrogate", "\xED\xA0\x80", 64, u""},
        {"cut short at the end", "a\xE6\x97", 64, u"a"},
        {"full output", "abcdef", 3, u"abc"},
        {"no room for a pair", "x\xF0\x9F\x98\x80", 2, u"x"},
        {"above U+10FFFF, little before", "ab\xF8\x88\x80\x80\x80", 64, u""},
        {"above U+10FFFF, more than 32 before", ascii33 + "\xF8\x88\x80\x80\x80z", 64, std::u16string(33, u'a')},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ToWide(r.in, r.capacity), r.out);
    }
    char16_t one;
    EXPECT_EQ(Utf8ToWide("a", 0, &one, 1), 0u);
    EXPECT_EQ(Utf8ToWide("a", 1, &one, 0), 0u);
}

TEST(TextConverters, Utf16ToUtf8)
{
    const struct {
        const char* name;
        std::u16string in;
        size_t capacity;
        std::string out;
    } rows[] = {
        {"two-byte", u"\x00E9", 64, "\xC3\xA9"},
        {"pair", u"\xD83D\xDE00", 64, "\xF0\x9F\x98\x80"},
        {"lone high keeps the next unit",
         u"\xD83D"
         "A",
         64,
         "\xEF\xBF\xBD"
         "A"},
        {"high at the end", u"a\xD83D", 64, "a\xEF\xBF\xBD"},
        {"lone low",
         u"\xDE00"
         "b",
         64,
         "\xEF\xBF\xBD"
         "b"},
        {"stops before what does not fit", u"ab\x65E5", 4, "ab"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(ToUtf8(r.in, r.capacity), r.out);
    }
}

TEST(TextConverters, AnsiConversionsOnUtf8)
{
    char out[16] = {};
    // Fits, does not fit, malformed.
    EXPECT_EQ(Utf8ToMultiByte("\xC3\xA9t\xC3\xA9", 5, out, sizeof out), 5u);
    EXPECT_EQ(std::string(out, 5), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Utf8ToMultiByte("\xC3\xA9t\xC3\xA9", 5, out, 4), 0u);
    EXPECT_EQ(Utf8ToMultiByte("a\xC0\xAF", 3, out, sizeof out), 0u);

    // Bytes that are not UTF-8 become U+FFFD on the lenient side.
    EXPECT_EQ(AnsiToUtf8("a\xFF"
                         "b",
                         3, out, sizeof out),
              5u);
    EXPECT_EQ(std::string(out, 5), "a\xEF\xBF\xBD"
                                   "b");

    char16_t wide[8];
    EXPECT_EQ(AnsiToWide("h\xC3\xA9", -1, nullptr, 0), 3); // units needed, terminator included
    EXPECT_EQ(AnsiToWide("h\xC3\xA9", -1, wide, 3), 3);
    EXPECT_EQ(std::u16string(wide, 3), std::u16string(u"h\x00E9\0", 3));
    EXPECT_EQ(AnsiToWide("abcd", 4, wide, 3), -1);
    EXPECT_EQ(AnsiToWide("abcd", 0, wide, 8), -1);

    EXPECT_EQ(WideToAnsi(u"h\x00E9", -1, nullptr, 0), 4);
    EXPECT_EQ(WideToAnsi(u"h\x00E9", 2, out, 3), 3);
    EXPECT_EQ(WideToAnsi(u"h\x00E9", 2, out, 2), 0);
}

TEST(TextConverters, EncodeAndDecodeOneCharacter)
{
    const struct {
        int64_t cp;
        std::string bytes;
    } rows[] = {
        {0x41, "A"},
        {-1, "\xFF"},
        {0xE9, "\xC3\xA9"},
        {0x65E5, "\xE6\x97\xA5"},
        {0x1F600, "\xF0\x9F\x98\x80"},
        {0x200000, "\xF8\x88\x80\x80\x80"},
        {0x7FFFFFFF, "\xFD\xBF\xBF\xBF\xBF\xBF"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.cp);
        char out[6];
        int n = EncodeUtf8Char(r.cp, out);
        EXPECT_EQ(std::string(out, size_t(n)), r.bytes);
        EXPECT_EQ(dnc::EncodeUtf8Char(r.cp, out), n);
    }
    char out[6];
    try {
        EncodeUtf8Char(0x80000000LL, out);
        ADD_FAILURE() << "no exception";
    } catch (const XCharError& e) {
        EXPECT_STREQ(e.what(), "XCharError:-2147483648");
    }
    EXPECT_THROW(dnc::EncodeUtf8Char(0x100000000LL, out), dnc::XCharError);

    const struct {
        const char* name;
        std::string in;
        int length;
        uint32_t value;
    } dec[] = {
        {"ascii is one byte", "A", 1, 0x41},
        {"two-byte", "\xC3\xA9", 2, 0xE9},
        {"four-byte is given less 0x10000", "\xF0\x9F\x98\x80", 4, 0xF600},
        {"cut short", "\xE6\x97", 0, 0},
        {"overlong", "\xC0\xAF", 0, 0},
        {"stray continuation", "\x80", 0, 0},
        {"bad continuation", "\xE6\x41\xA5", 0, 0},
    };
    for (const auto& r : dec) {
        SCOPED_TRACE(r.name);
        uint32_t v = 0xDEAD;
        EXPECT_EQ(DecodeUtf8Char(r.in.data(), r.in.size(), v), r.length);
        if (r.length) {
            EXPECT_EQ(v, r.value);
        } else {
            EXPECT_EQ(v, 0xDEADu);
        }
        EXPECT_EQ(dnc::DecodeUtf8Value(r.in.data(), r.in.size()), r.value);
    }
}

TEST(TextConverters, CompareAndCount)
{
    const struct {
        const char* a;
        const char* b;
        int n;
        int result;
    } rows[] = {
        {"abc", "abd", -1, -1}, {"abc", "abc", -1, 0},
        {"b", "a", -1, 1},      {"abcdef", "abcxyz", 3, 0}, // equal prefix, equal lengths
        {"abcd", "abc", 3, 1},                              // the longer text is greater even past n
        {"ab", "abc", 5, -1},   {"abd", "abc", 3, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.a) + " vs " + r.b);
        EXPECT_EQ(CompareTextN(r.a, r.b, r.n), r.result);
    }
    int counted = -1, bytes = -1;
    CountLeadBytes("a\xC3\xA9\xE6\x97\xA5z", counted, bytes, 100);
    EXPECT_EQ(bytes, 7);
    EXPECT_EQ(counted, 3); // a, E6, z
    dnc::CountLeadBytes("abcdef", counted, bytes, 4);
    EXPECT_EQ(bytes, 4);
    EXPECT_EQ(counted, 4);
}

} // namespace
