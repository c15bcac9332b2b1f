// Header scripts and the custom analyser: the script rules line by line, loading a folder (order, refusals,
// read-only files), custom type ids and matching.
#include "raw/CCustomHeader.h"
#include "raw/CCustomHeaderManage.h"
#include "raw/CustomFileAnalyser.h"

#include "core/filetypes/RawTypeTable.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string kCrLf = "\r\n";

bool Loads(const std::string& text, CCustomHeader* out = nullptr)
{
    CCustomHeader header;
    const bool ok = header.LoadText({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    if (out) *out = header;
    return ok;
}

std::string Script(const std::string& signLine, const std::string& infoLine = "FILEINFO: EXTNAME=\"ABC\"")
{
    return "REMARK: test" + kCrLf + infoLine + (signLine.empty() ? "" : kCrLf + signLine);
}

void WriteFile(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

TEST(HeaderScript, TheExampleScriptGivesItsExtensionAndItems)
{
    CCustomHeader header;
    ASSERT_TRUE(Loads("REMARK: example" + kCrLf + "FILEINFO: EXTNAME=\"abc\"" + kCrLf +
                          "FILESIGN: OFFSET=0x00 TYPE=CHAR VALUE=\"ABC1\"" + kCrLf +
                          "FILESIGN: OFFSET=0x10 TYPE=BYTE VALUE=0x01,0x02,0xFF",
                      &header));
    EXPECT_EQ(header.GetExtension(), "ABC");
    ASSERT_EQ(header.GetItems().size(), 2u);
    EXPECT_EQ(header.GetItems()[0].offset, 0u);
    EXPECT_EQ(header.GetItems()[0].length, 4u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(header.GetItems()[0].bytes), 4), "ABC1");
    EXPECT_EQ(header.GetItems()[1].offset, 16u);
    EXPECT_EQ(header.GetItems()[1].length, 3u);
    EXPECT_EQ(header.GetItems()[1].bytes[2], 0xFF);
    EXPECT_EQ(header.GetFileSize(), 0u);

    std::vector<uint8_t> sector(512, 0);
    EXPECT_FALSE(header.IsMatch(sector.data()));
    std::memcpy(sector.data(), "ABC1", 4);
    sector[16] = 1, sector[17] = 2, sector[18] = 0xFF;
    EXPECT_TRUE(header.IsMatch(sector.data()));
}

TEST(HeaderScript, LineRules)
{
    const std::string sign = "FILESIGN: OFFSET=0x00 TYPE=CHAR VALUE=\"AB\"";
    struct Case {
        std::string text;
        bool accepted;
    } cases[] = {
        {Script(sign), true},
        {Script(sign) + kCrLf, false},                         // the empty last line
        {Script(sign, "fileinfo: EXTNAME=\"ABC\""), true},     // keys without regard to case
        {Script(sign, "FILEINFO: extname=\"ABC\""), false},    // attribute names exactly
        {Script(sign, "FILEINFO: EXTNAME=\"\""), false},       // nothing between the quotes
        {Script(sign, "FILEINFO: EXTNAME=\"ABCDEF\""), false}, // longer than a type slot
        {Script(sign, "FILEINFO: EXTNAME=\"ABCDE\""), true},
        {Script(sign, "FILEINFO: EXTNAME=ABC"), true}, // unquoted: the B between
        {Script(sign, "FILEINFO: EXTNAME=\"A/B\""), false},
        {Script(sign, "FILEINFO: EXTNAME=\"ABC\" SIZE=0x400"), true},
        {Script(sign, "FILEINFO: EXTNAME=\"ABC\" SIZE=1024"), false},
        {Script("FILESIGN: OFFSET=0x1F0 TYPE=CHAR VALUE=\"AB\""), true},
        {Script("FILESIGN: OFFSET=0x1F1 TYPE=CHAR VALUE=\"AB\""), false},
        {Script("FILESIGN: OFFSET=16 TYPE=CHAR VALUE=\"AB\""), false},
        {Script("FILESIGN: OFFSET=0x TYPE=CHAR VALUE=\"AB\""), false},
        {Script("FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x01,"), false},
        {Script("FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x01, 0x02"), false},
        {Script("FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x141"), false},
        {Script("FILESIGN: OFFSET=0x0 TYPE=WORD VALUE=0x14"), false},
        {Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"0123456789ABCDEF\""), true},
        {Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"0123456789ABCDEFG\""), false},
        {Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"\""), true},
        {Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=AB"), false},
        {Script("OTHER: x"), false},
        {"REMARK: only" + kCrLf + "REMARK: remarks", false}, // no FILEINFO line
        {Script(""), true},                                  // accepted, never matches
    };
    std::string bytes16 = "FILESIGN: OFFSET=0x0 TYPE=BYTE VALUE=0x00";
    for (int i = 1; i < 16; ++i) bytes16 += ",0x01";
    for (const Case& c : cases) EXPECT_EQ(Loads(c.text), c.accepted) << c.text;
    EXPECT_TRUE(Loads(Script(bytes16)));
    EXPECT_FALSE(Loads(Script(bytes16 + ",0x02")));
}

TEST(HeaderScript, LengthLimitAndRejectionReason)
{
    std::string text = Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"AB\"") + kCrLf + "REMARK: ";
    text.resize(1024, 'x');
    EXPECT_TRUE(Loads(text));
    text.push_back('x');
    EXPECT_FALSE(Loads(text));

    CCustomHeader header;
    const std::string bad = Script("FILESIGN: OFFSET=0x1F1 TYPE=CHAR VALUE=\"AB\"");
    EXPECT_FALSE(header.LoadText({reinterpret_cast<const uint8_t*>(bad.data()), bad.size()}));
    EXPECT_EQ(header.GetErrorLine(), 3);
    EXPECT_NE(header.GetError().find("OFFSET"), std::string::npos);
}

TEST(HeaderScript, FolderLoadsInNameOrderReadOnlyFilesAndLogsRefusals)
{
    ResetCustomRawTypesForTest();
    testsupport::TempDir dir;
    WriteFile(dir / "b.fhs", Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"QQ\"", "FILEINFO: EXTNAME=\"BBB\""));
    WriteFile(dir / "a.fhs", Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"QQ\"", "FILEINFO: EXTNAME=\"AAA\""));
    WriteFile(dir / "c.fhs", Script("FILESIGN: OFFSET=0x200 TYPE=CHAR VALUE=\"QQ\""));
    WriteFile(dir / "d.txt", Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"QQ\""));
    chmod((dir / "b.fhs").c_str(), 0444);

    testsupport::LogCapture log;
    CCustomHeaderManage scripts;
    EXPECT_TRUE(scripts.LoadFolder(dir.path()));
    ASSERT_EQ(scripts.Size(), 2u);
    EXPECT_EQ(scripts.At(0).GetExtension(), "AAA");
    EXPECT_EQ(scripts.At(1).GetExtension(), "BBB");
    EXPECT_NE(log.Text().find("c.fhs refused: OFFSET"), std::string::npos) << log.Text();
    EXPECT_NE(log.Text().find("(line 3)"), std::string::npos);

    // The first script in load order decides; ids are claimed at load, in that order.
    std::vector<uint8_t> sector(512, 0);
    sector[0] = 'Q', sector[1] = 'Q';
    EXPECT_EQ(scripts.Match(sector.data()), &scripts.At(0));
    EXPECT_EQ(ClaimCustomRawType("AAA"), 1000);
    EXPECT_EQ(ClaimCustomRawType("bbb"), 1001);

    EXPECT_FALSE(scripts.LoadFolder(dir / "missing"));
    EXPECT_EQ(scripts.Size(), 0u);
    ResetCustomRawTypesForTest();
}

TEST(CustomFileAnalyser, MatchGivesTheCustomIdAndTheScriptSize)
{
    ResetCustomRawTypesForTest();
    testsupport::TempDir dir;
    WriteFile(dir / "1.fhs", Script("FILESIGN: OFFSET=0x4 TYPE=BYTE VALUE=0xCA,0xFE", "FILEINFO: EXTNAME=\"JPG\""));
    WriteFile(dir / "2.fhs",
              Script("FILESIGN: OFFSET=0x0 TYPE=CHAR VALUE=\"\"", "FILEINFO: EXTNAME=\"jpg\" SIZE=0x2000"));
    WriteFile(dir / "3.fhs", Script("", "FILEINFO: EXTNAME=\"NON\""));
    CustomFileAnalyser analyser(dir.path());
    EXPECT_EQ(analyser.GetType(), -1);
    EXPECT_EQ(analyser.GetSignature(), RawSignature::None);

    std::vector<uint8_t> sector(512, 0x11);
    CRawFileInfo hit;
    // An item of length 0 agrees with every sector; a fixed short name still gets a custom id.
    ASSERT_EQ(analyser.IsMatch(sector.data(), &hit), 1);
    EXPECT_EQ(hit.GetFileType(), 1000);
    EXPECT_EQ(hit.GetSize(), 0x2000u);
    sector[4] = 0xCA, sector[5] = 0xFE;
    CRawFileInfo first;
    ASSERT_EQ(analyser.IsMatch(sector.data(), &first), 1);
    EXPECT_EQ(first.GetFileType(), 1000); // the same extension in another case: the same id
    EXPECT_EQ(first.GetSize(), 0u);
    EXPECT_EQ(analyser.Analyse(&first, nullptr), 0);
    EXPECT_EQ(std::string(GetRawTypeName(1000)), "JPG");
    ResetCustomRawTypesForTest();
}
