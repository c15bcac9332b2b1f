// The preview's readers over byte-built files: the compound-document probe on real-shaped and damaged
// documents, the rich-text test on its edges, and the rich-text reader's paragraphs, runs and skipped parts.
#include "views/preview/formats/CompoundFileProbe.h"
#include "views/preview/formats/RtfText.h"

#include "raw/tests/CompoundFileBuilder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::span<const uint8_t> Bytes(const std::string& s)
{
    return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

std::vector<uint8_t> Document(const std::vector<std::u16string>& streams)
{
    rawkit::CompoundFileBuilder builder;
    for (const auto& name : streams) builder.Add(name, 700);
    return builder.Build();
}

std::string Text(const RtfDocument& doc)
{
    std::string out;
    for (size_t p = 0; p < doc.paragraphs.size(); ++p) {
        if (p) out += "|";
        for (const RtfRun& r : doc.paragraphs[p].runs) out += r.text;
    }
    return out;
}

} // namespace

TEST(CompoundFileProbe, TellsWordAndExcelStreamsAtTheRoot)
{
    struct Case {
        const char* name;
        std::vector<std::u16string> streams;
        bool word, excel;
    } cases[] = {
        {"Word",
         {u"\x01"
          u"CompObj",
          u"WordDocument", u"1Table"},
         true,
         false},
        {"Excel 5 Book",
         {u"Book", u"\x05"
                   u"SummaryInformation"},
         false,
         true},
        {"Excel 97 Workbook", {u"Workbook"}, false, true},
        {"names compare without case", {u"WORKBOOK"}, false, true},
        {"other application", {u"PowerPoint Document", u"Pictures"}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> doc = Document(c.streams);
        const CompoundProbe p = ProbeCompoundFile(doc);
        EXPECT_TRUE(p.opens);
        EXPECT_EQ(p.word, c.word);
        EXPECT_EQ(p.excel, c.excel);
    }
}

TEST(CompoundFileProbe, AStreamInsideAStorageIsNotAtTheRoot)
{
    rawkit::CompoundFileBuilder builder;
    const size_t storage = builder.Add(u"ObjectPool", 0, 0, true);
    builder.Add(u"WordDocument", 600, storage);
    const std::vector<uint8_t> doc = builder.Build();
    const CompoundProbe p = ProbeCompoundFile(doc);
    EXPECT_TRUE(p.opens);
    EXPECT_FALSE(p.word);
}

TEST(CompoundFileProbe, DamagedDocumentsEndWithoutOpening)
{
    const std::vector<uint8_t> good = Document({u"WordDocument"});
    ASSERT_TRUE(ProbeCompoundFile(good).word);
    const uint32_t directory = good[48] | good[49] << 8 | good[50] << 16 | uint32_t(good[51]) << 24;
    struct Mutation {
        const char* name;
        size_t at;
        uint32_t value;
        bool opens;
    } rows[] = {
        {"signature", 0, 0x12345678, false},
        {"byte order", 28, 0xFFFF, false},
        {"sector shift 10", 30, 10, false},
        {"directory beyond the file", 48, 0x00FFFFFF, false},
        {"directory at the end marker", 48, 0xFFFFFFFE, false},
        {"root entry not a root", 512 * (directory + 1) + 66, 0x01, false},
        {"root's child out of range", 512 * (directory + 1) + 76, 999, true},
        {"DIFAT loop with a huge count", 68, 0, true},
    };
    for (const Mutation& m : rows) {
        SCOPED_TRACE(m.name);
        std::vector<uint8_t> doc = good;
        if (m.at == 28 || m.at == 30 || m.at == 512 * (directory + 1) + 66) {
            doc[m.at] = uint8_t(m.value);
            doc[m.at + 1] = uint8_t(m.value >> 8);
        } else {
            Put32(doc, m.at, m.value);
        }
        if (m.at == 68) Put32(doc, 72, 0xFFFFFFFF);
        EXPECT_EQ(ProbeCompoundFile(doc).opens, m.opens);
    }
    // Cut anywhere, the probe stays inside the bytes.
    for (size_t cut : {size_t(0), size_t(8), size_t(511), size_t(512), size_t(1000), good.size() - 1})
        ProbeCompoundFile(std::span<const uint8_t>(good.data(), cut));
}

TEST(CompoundFileProbe, ADirectoryChainThatLoopsEnds)
{
    std::vector<uint8_t> doc = Document({u"Workbook"});
    const uint32_t directory = doc[48] | doc[49] << 8;
    const uint32_t table = doc[76] | doc[77] << 8;
    // The directory sector's successor is itself.
    Put32(doc, 512 * (table + 1) + 4 * directory, directory);
    const CompoundProbe p = ProbeCompoundFile(doc);
    EXPECT_TRUE(p.opens);
    EXPECT_TRUE(p.excel);
}

TEST(RtfBytes, StartAndEndRules)
{
    struct Case {
        const char* name;
        std::string bytes;
        bool rtf;
    } cases[] = {
        {"plain", "{\\rtf1 hello}", true},
        {"upper case start", "{\\RTF1 hello}", true},
        {"trailing CR LF and zeros", std::string("{\\rtf1 x}\r\n\0\0", 13), true},
        {"only four bytes", "{\\rt", false},
        {"no closing brace", "{\\rtf1 hello", false},
        {"text after the brace", "{\\rtf1 hello} x", false},
        {"bracket is not a brace", "[\\rtf1 hello}", false},
        {"plain text", "hello world}", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsRtfBytes(Bytes(c.bytes), Bytes(c.bytes), c.bytes.size()), c.rtf);
    }
}

TEST(RtfText, ParagraphsRunsAndCharacters)
{
    const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
                            "{\\*\\generator Writer;}{\\info{\\title Secret}}"
                            "Plain {\\b bold} {\\i italic}\\par\n"
                            "Caf\\'e9 \\u8364? euro\\line next\\tab tab\\par"
                            " Esc \\{ \\} \\\\ {\\pict 0123abcd}end\\par}";
    const RtfDocument doc = ParseRtf(Bytes(rtf));
    EXPECT_EQ(Text(doc), "Plain bold italic|Caf\xC3\xA9 \xE2\x82\xAC euro\xE2\x80\xA8next\ttab|Esc { } \\ end");
    ASSERT_GE(doc.paragraphs.size(), 1u);
    const auto& runs = doc.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_TRUE(runs[1].bold);
    EXPECT_FALSE(runs[2].bold);
    EXPECT_TRUE(runs[3].italic);
}

// Documents in a code page of their own, written the way a Windows word processor writes them: the text is
// \'hh bytes of the code page \ansicpg names (the Japanese one has trail bytes that are "\\" and "{").
TEST(RtfText, TextInTheDocumentsCodePage)
{
    auto fixture = [](const char* name) {
        std::ifstream in(std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const struct {
        const char* name;
        std::string rtf;
        std::string text;
    } cases[] = {
        {"Cyrillic (1251)", fixture("rtf-cp1251-wordpad.rtf"),
         "\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440!|\u0401\u043b\u043a\u0430 \u0438 "
         "\u0449\u0443\u043a\u0430"},
        {"Japanese (932)", fixture("rtf-cp932-wordpad.rtf"),
         "\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8|\u30bd\u30d5\u30c8\u8868\u793a ABC"},
        {"no code page is Windows-1252", "{\\rtf1\\ansi Caf\\'e9}", "Caf\u00e9"},
        {"unknown code page is Windows-1252", "{\\rtf1\\ansi\\ansicpg99999 Caf\\'e9}", "Caf\u00e9"},
        {"raw 8-bit bytes in the code page", "{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}", "\u041f\u0440\u0438"},
        {"a lead byte without its trail", "{\\rtf1\\ansi\\ansicpg932 \\'82}x", "\ufffdx"},
        {"a pair the code page lacks", "{\\rtf1\\ansi\\ansicpg932 \\'85\\'40 ok}",
         "\ufffd@ ok"}, // the byte after is read again
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.rtf.empty());
        EXPECT_EQ(Text(ParseRtf(Bytes(c.rtf))), c.text);
    }
}

TEST(RtfText, HostileInputStaysBounded)
{
    // Deep nesting, unclosed groups, a \bin past the end, an overlong control word and a huge parameter.
    std::string deep(100000, '{');
    deep += "x";
    EXPECT_EQ(Text(ParseRtf(Bytes(deep))), "");
    EXPECT_EQ(Text(ParseRtf(Bytes("{\\rtf1 a\\bin999999999 zzz"))), "a");
    EXPECT_EQ(Text(ParseRtf(Bytes("{\\rtf1 \\" + std::string(500, 'q') + "99999999999999 b}"))), "b");
    EXPECT_EQ(Text(ParseRtf(Bytes("}}}{\\rtf1 c\\u-200000000"))), "c");
}
