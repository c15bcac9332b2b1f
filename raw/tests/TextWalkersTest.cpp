// The text-format walkers: the end-marker walker (HTML, DXF, FreeHand 11), UTF-16 HTML, RTF brace counting
// and the PDF end-of-file search with linearized files, incremental updates and Illustrator documents.
#include "raw/FileDXFAnalyser.h"
#include "raw/FileFH11Analyser.h"
#include "raw/FileHTMAnalyser.h"
#include "raw/FilePDFAnalyser.h"
#include "raw/FileRTFAnalyser.h"
#include "raw/FileUnicodeHTMAnalyser.h"
#include "raw/FindTextMarker.h"
#include "raw/tests/WalkTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using namespace walktest;

namespace {

Bytes HtmlPage(size_t size, const std::string& closing)
{
    Bytes b = FromText("<html><body>");
    b.resize(size - closing.size(), 'x');
    Append(b, closing);
    return b;
}

Bytes Utf16(const std::string& text)
{
    Bytes b;
    for (char c : text) AppendBytes(b, {static_cast<uint8_t>(c), 0});
    return b;
}

} // namespace

TEST(SpanSearch, FastSearchesAgreeWithByteByByteOnes)
{
    // Small alphabets make matches, near matches and false alarms of the eight-byte test frequent.
    std::mt19937 rng(11);
    const uint8_t alphabet[] = {'e', 'E', 'o', 'O', 'x', 0x0F, '/', '<', 0x45 ^ 0x80};
    for (int round = 0; round < 3000; ++round) {
        Bytes b(rng() % 80);
        for (auto& v : b) v = alphabet[rng() % sizeof alphabet];
        const std::span<const uint8_t> s(b);
        size_t pair = b.size();
        for (size_t i = 0; i < b.size() && pair == b.size(); ++i)
            if ((b[i] | 0x20) == 'e' && (i + 1 == b.size() || (b[i + 1] | 0x20) == 'o')) pair = i;
        ASSERT_EQ(spanwalk::FindFoldedPair(s, 'E', 'o'), pair) << round;
        size_t either = b.size();
        for (size_t i = 0; i < b.size() && either == b.size(); ++i)
            if (b[i] == 'e' || b[i] == 'E') either = i;
        ASSERT_EQ(spanwalk::FindEither(s, 'e', 'E'), either) << round;
        size_t other = b.size();
        for (size_t i = 0; i < b.size() && other == b.size(); ++i)
            if (b[i] == '/' || b[i] == '<') other = i;
        ASSERT_EQ(spanwalk::FindEither(s, '/', '<'), other) << round;
    }
}

TEST(TextMarkerWalk, EndsAfterTheMarkerInAnyCaseOrAtTheLimit)
{
    // 5,000 bytes ending with the tag in lower case, then more bytes that are not the page.
    Bytes page = HtmlPage(5000, "</html>");
    Append(page, std::string(3000, 'y'));
    SpanWalkResult r = WalkBytes(page, FileHTMAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 5000u);

    // The line end after the closing tag belongs to the page (one, LF or CR LF).
    for (const auto& [tail, size] :
         {std::pair<std::string, uint64_t>{"\n\n<p>", 5001}, {"\r\n\r\n", 5002}, {"\n\r\n", 5001}, {"\r\r\n", 5000}}) {
        Bytes ended = HtmlPage(5000, "</html>");
        Append(ended, tail);
        EXPECT_EQ(WalkBytes(ended, FileHTMAnalyser::Walk).size, size);
    }

    // No closing tag in 2 MiB: the first position beyond the 1 MiB limit.
    Bytes open = FromText("<HTML>");
    open.resize(2 << 20, 'z');
    r = WalkBytes(open, FileHTMAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 1048577u);

    // The device ends before the marker or the limit: not measured.
    Bytes shortPage = FromText("<HTML><body>no end");
    r = WalkBytes(shortPage, FileHTMAnalyser::Walk);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.sizeSet);
}

TEST(TextMarkerWalk, FindsMarkersAcrossBlockBoundariesAndAmongManyFirstBytes)
{
    // The DXF marker starts with "E": text full of "e" and "E" must not slow or mislead the search, and a
    // marker that straddles the 64 KiB block boundary is still found.
    Bytes dxf = FromText("  0\r\nSECTION\r\n  2\r\nHEADER\r\n");
    while (dxf.size() < 65536 - 2) Append(dxf, "eEeE");
    dxf.resize(65536 - 2);
    Append(dxf, "EOF\r\n");
    Append(dxf, "trailing");
    SpanWalkResult r = WalkBytes(dxf, FileDXFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 65536u + 3);

    // A last line ending with LF only is no marker: scanned to the option's limit.
    Bytes lf = FromText("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  0\nEOF\n");
    lf.resize(200000, ' ');
    r = WalkBytes(lf, FileDXFAnalyser::Walk, 100000);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 100001u);

    // The FreeHand trailer holds a zero and FF bytes; the first "Decode" without them is skipped.
    Bytes fh = FromText("FH11 drawing Decode and more ");
    const uint8_t trailer[] = {'D', 'e', 'c', 'o', 'd', 'e', 0, 0xFF, 0xFF, 0xFF, 0xFF};
    fh.insert(fh.end(), trailer, trailer + sizeof trailer);
    const size_t end = fh.size();
    fh.resize(end + 100, 0);
    r = WalkBytes(fh, FileFH11Analyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, end);
}

// Hands out blocks of 8 bytes plus the first 8 of the next, as the sector reader hands out its blocks with one
// sector more, so that candidates cut by the end of the bytes at hand are fetched again.
class EightByteBlocks : public SpanSource {
public:
    explicit EightByteBlocks(const Bytes& data) : m_data(data) {}
    std::span<const uint8_t> At(uint64_t offset) override
    {
        if (offset >= m_data.size()) return {};
        const size_t end = std::min<size_t>(m_data.size(), (offset / 8 + 2) * 8);
        return std::span<const uint8_t>(m_data).subspan(offset, end - offset);
    }

private:
    const Bytes& m_data;
};

TEST(TextMarkerWalk, ACandidateCutByABlockEndDoesNotHideTheNextOne)
{
    struct Case {
        const char* name;
        std::string text;
        std::string marker;
        uint64_t limit;
        bool ok;
        uint64_t size;
    };
    const Case cases[] = {
        // 'a' ends the bytes at hand and fails; the marker starts at the very next byte.
        {"marker right after a cut candidate", "xxxxxxxxxxxxxxxaabxxxxxxxxxxxx", "ab", 0, true, 18},
        {"cut candidate that is the marker", "xxxxxxxxxxxxxxxabxxxxxxxxxxxxx", "ab", 0, true, 17},
        // The last step may go past the bound: the size is still the first position beyond it.
        {"bound inside a cut candidate", "xxxxxxxa", "ab", 1, true, 2},
        // A marker that starts at the bound is found whole.
        {"marker starting at the bound", "xxabxxxx", "ab", 2, true, 4},
        {"fuzz input: zero marker, bound 1", std::string("\x5b\x00", 2), std::string("\0\0", 2), 1, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes data = FromText(c.text);
        EightByteBlocks source(data);
        const TextMarker marker = MakeTextMarker(c.marker.data(), uint32_t(c.marker.size()), c.limit);
        SpanWalkLimits limits;
        limits.deviceBytes = data.size();
        const SpanWalkResult r = WalkTextMarker(source, marker, limits);
        EXPECT_EQ(r.ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(r.size, c.size);
        }
    }
}

TEST(UnicodeHtmlWalk, MeasuresToTheClosingTagOrATerminator)
{
    // "</HTML>" at byte 1,000 measures 1,016 bytes.
    Bytes page = {0xFF, 0xFE};
    Append(page, std::string(reinterpret_cast<const char*>(Utf16("<html><body>").data()), 24));
    Bytes body = Utf16(std::string((1000 - page.size()) / 2, 'a'));
    page.insert(page.end(), body.begin(), body.end());
    ASSERT_EQ(page.size(), 1000u);
    const Bytes start = page;
    Bytes tag = Utf16("</Html>\nmore text");
    page.insert(page.end(), tag.begin(), tag.end());
    SpanWalkResult r = WalkBytes(page, FileUnicodeHTMAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 1016u);
    // Hits of both HTML kinds reach the narrow analyser: it measures UTF-16 pages the same way.
    EXPECT_EQ(WalkBytes(page, FileHTMAnalyser::Walk).size, 1016u);
    // A CR LF after the tag belongs to the page whole.
    Bytes crlf = start;
    tag = Utf16("</Html>\r\nmore text");
    crlf.insert(crlf.end(), tag.begin(), tag.end());
    EXPECT_EQ(WalkBytes(crlf, FileUnicodeHTMAnalyser::Walk).size, 1018u);

    // A zero character ends the page where it stands.
    Bytes zero = {0xFF, 0xFE};
    Bytes text = Utf16("<HTML>hello");
    zero.insert(zero.end(), text.begin(), text.end());
    const size_t at = zero.size();
    zero.resize(at + 100, 0);
    r = WalkBytes(zero, FileUnicodeHTMAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, at);

    // "<!" without "<HTML>" in the first 500 bytes is not measured.
    Bytes doctype = {0xFF, 0xFE};
    Bytes d = Utf16("<!DOCTYPE x>" + std::string(300, ' ') + "<HTML>");
    doctype.insert(doctype.end(), d.begin(), d.end());
    EXPECT_FALSE(WalkBytes(doctype, FileUnicodeHTMAnalyser::Walk).ok);
}

TEST(RtfWalk, BalancesBracesSkippingEscapedOnes)
{
    struct Case {
        const char* name;
        std::string text;
        size_t trailingZeros;
        bool ok;
        uint64_t size;
    };
    const Case cases[] = {
        // 14 bytes that balance at the last byte, followed by a non-zero byte.
        {"followed by text", "{\\rtf1 {\\b x}}Z", 0, true, 14},
        // The same followed by zeros (the free space after a file) is measured too.
        {"followed by zeros", "{\\rtf1 {\\b x}}", 100, true, 14},
        // One line end right after the closing brace belongs to the document, LF or CR LF; no more.
        {"LF", "{\\rtf1 {\\b x}}\n\n", 0, true, 15},
        {"CR LF", "{\\rtf1 {\\b x}}\r\n\r\n", 0, true, 16},
        {"lone CR", "{\\rtf1 {\\b x}}\rZ", 0, true, 14},
        // A zero before the closing brace: not measured, size up to the zero.
        {"zero inside", "{\\rtf1{\\b x}", 10, false, 12},
        // Escaped braces are text: "\}" does not close the document.
        {"escaped braces", "{\\rtf1 a \\} b \\{ c \\\\}tail", 0, true, 22},
        // The file ends with the device before the balance: not measured, size up to the end.
        {"device end", "{\\rtf1{{", 0, false, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = FromText(c.text);
        b.resize(b.size() + c.trailingZeros, 0);
        const SpanWalkResult r = WalkBytes(b, FileRTFAnalyser::Walk);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_TRUE(r.sizeSet);
        EXPECT_EQ(r.size, c.size);
    }
    // Never balanced within the option: the first position beyond it.
    Bytes deep = FromText("{\\rtf1");
    deep.resize(5000, '{');
    const SpanWalkResult r = WalkBytes(deep, FileRTFAnalyser::Walk, 1000);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 1001u);
}

namespace {

Bytes PdfBody(size_t eofAt)
{
    Bytes b = FromText("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<< /Type /Catalog >>\nendobj\n");
    b.resize(eofAt, ' ');
    Append(b, "%%EOF\n");
    return b;
}

} // namespace

TEST(PdfWalk, EndsAtTheLastEndOfFileComment)
{
    struct Case {
        const char* name;
        std::string after; // bytes after a first "%%EOF\n" at 10,000
        uint64_t size;     // 0: the whole buffer
        int type;
    };
    const Case cases[] = {
        {"single document, then zeros", std::string(50, '\0'), 10006, 46},
        {"single document, then unrelated bytes", "GIF89a....", 10006, 46},
        {"incremental update", "4 0 obj\n<< >>\nendobj\nxref\n0 1\ntrailer\n<< >>\nstartxref\n10006\n%%EOF\n", 0, 46},
        {"update that starts with a cross-reference section", "xref\n0 1\n%%EOF\n", 0, 46},
        {"update after blank space", "  \r\n12  0 obj\n<<>>\nendobj\n%%EOF\r\n", 0, 46},
        {"comment after the end", "%comment\n%%EOF\n", 0, 46},
        {"a new document follows", "%PDF-1.5\n1 0 obj\n", 10006, 46},
        {"digits that are no object header", "123 abc\n", 10006, 46},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = PdfBody(10000);
        Append(b, c.after);
        const SpanWalkResult r = WalkBytes(b, FilePDFAnalyser::Walk);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.size, c.size ? c.size : b.size());
        EXPECT_EQ(r.type, c.type);
    }

    // CR LF after the comment belongs to the file.
    Bytes crlf = PdfBody(100);
    crlf.back() = '\r';
    Append(crlf, "\nzzzz");
    EXPECT_EQ(WalkBytes(crlf, FilePDFAnalyser::Walk).size, 107u);
}

TEST(PdfWalk, IllustratorDocumentsAndBounds)
{
    // An Illustrator comment makes the type 5; updates whose "%%EOF" is followed by text are included.
    Bytes ai = FromText("%PDF-1.5\n%!PS-Adobe-3.0\n");
    ai.resize(3000, ' ');
    Append(ai, "%%EOF\r\n1 0 obj\n");
    ai.resize(6000, ' ');
    Append(ai, "%%EOF\n");
    const size_t end = ai.size() + 1;
    ai.resize(ai.size() + 64, 0);
    SpanWalkResult r = WalkBytes(ai, FilePDFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.type, 5);
    EXPECT_EQ(r.size, end);

    // No end-of-file comment and another document right after: ends at the second header.
    Bytes two = FromText("%PDF-1.4\n1 0 obj\n<<>>\nendobj\n");
    const size_t second = two.size();
    Append(two, "%PDF-1.4\n");
    r = WalkBytes(two, FilePDFAnalyser::Walk);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, second);

    // Only '%' bytes and no marker: bounded by the option.
    Bytes percent = FromText("%PDF-1.4\n");
    percent.resize(300000, '%');
    r = WalkBytes(percent, FilePDFAnalyser::Walk, 200000);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.size, 200001u);

    // The device ends first: not measured.
    EXPECT_FALSE(WalkBytes(FromText("%PDF-1.4\n1 0 obj\n"), FilePDFAnalyser::Walk).ok);
}
