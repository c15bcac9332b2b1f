// The settings file: values by key and name, any text kept intact, damaged files tolerated, atomic rewrites.
#include "platform/Settings.h"
#include "platform/Errors.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kKey = "Language";

TEST(Settings, MissingFileHasNothing)
{
    testsupport::TempDir tmp;
    plat::SettingsFile s(tmp / "none/settings.ini");
    std::string v;
    EXPECT_FALSE(s.KeyExists(kKey));
    plat::SetLastError(0);
    EXPECT_FALSE(s.ReadString(kKey, "Language", v));
    EXPECT_EQ(plat::GetLastError(), 2u);
    EXPECT_FALSE(s.DeleteValue(kKey, "Language"));
}

TEST(Settings, WritesReadBackIgnoringCaseAndKeepTheText)
{
    testsupport::TempDir tmp;
    plat::SettingsFile s(tmp / "cfg/settings.ini");
    const std::string tricky = "  two\nlines \\ and = sign\r ";
    ASSERT_TRUE(s.WriteString(kKey, "Language", "Deutsch"));
    ASSERT_TRUE(s.WriteString(kKey, "language", "Japanese")); // replaces, does not add
    ASSERT_TRUE(s.WriteString("Other\\Key", "Text", tricky));
    ASSERT_TRUE(s.WriteDword("Other\\Key", "Count", 4000000000u));

    plat::SettingsFile again(tmp / "cfg/settings.ini");
    std::string v;
    ASSERT_TRUE(again.ReadString("hkey_local_machine\\software\\salvix\\recovery\\language", "LANGUAGE", v));
    EXPECT_EQ(v, "Japanese");
    ASSERT_TRUE(again.ReadString("Other\\Key", "Text", v));
    EXPECT_EQ(v, tricky);
    uint32_t n = 0;
    ASSERT_TRUE(again.ReadDword("Other\\Key", "Count", n));
    EXPECT_EQ(n, 4000000000u);

    EXPECT_TRUE(again.DeleteValue(kKey, "Language"));
    EXPECT_FALSE(again.ReadString(kKey, "Language", v));
    EXPECT_TRUE(again.KeyExists(kKey)); // the key outlives its last value

    for (const auto& e : fs::directory_iterator(tmp / "cfg"))
        EXPECT_EQ(e.path().filename(), "settings.ini") << "temporary file left behind";
}

TEST(Settings, RejectsNamesThatWouldBreakTheFile)
{
    testsupport::TempDir tmp;
    plat::SettingsFile s(tmp / "settings.ini");
    EXPECT_FALSE(s.WriteString("a]b", "v", "x"));
    EXPECT_FALSE(s.WriteString("", "v", "x"));
    EXPECT_FALSE(s.WriteString("k", "a=b", "x"));
    EXPECT_FALSE(s.WriteString("k", "a\nb", "x"));
    EXPECT_FALSE(fs::exists(tmp / "settings.ini"));
}

TEST(Settings, DamagedFileIsReadForWhatItHolds)
{
    testsupport::TempDir tmp;
    std::ofstream(tmp / "settings.ini") << "garbage before any key\n=\n[Key]\r\nGood=1\r\nno equals sign\n"
                                        << "Bad=12x\nNeg=-1\nHuge=4294967296\nHex=0x1F\n[Unclosed\nAfter=2\n";
    plat::SettingsFile s(tmp / "settings.ini");
    const struct {
        const char* name;
        bool ok;
        uint32_t value;
    } rows[] = {
        {"Good", true, 1},  {"Bad", false, 0}, {"Neg", false, 0},
        {"Huge", false, 0}, {"Hex", true, 31}, {"After", true, 2}, // a line that does not close its key is not a key
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        uint32_t v = 0;
        EXPECT_EQ(s.ReadDword("Key", r.name, v), r.ok);
        if (r.ok) {
            EXPECT_EQ(v, r.value);
        }
    }
    ASSERT_TRUE(s.WriteString("Key", "Good", "3"));
    std::string v;
    ASSERT_TRUE(s.ReadString("Key", "Hex", v));
    EXPECT_EQ(v, "0x1F");
}

// Files from before the plain group names: [HKEY_LOCAL_MACHINE\SOFTWARE\Salvix\Recovery\Language] is the
// group [Language]. It is read as it is, the plain group wins when both are there, and the next write leaves
// one plain group holding the old values.
TEST(Settings, OldRegistryPathGroupsAreReadAndBecomePlainOnWrite)
{
    testsupport::TempDir tmp;
    const fs::path file = tmp / "settings.ini";
    const std::string old = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Salvix\\Recovery\\Language";
    auto text = [&] {
        std::ifstream in(file);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    {
        std::ofstream out(file);
        out << "[" << old << "]\nLanguage=Deutsch\nKept=1\n";
    }
    plat::SettingsFile s(file);
    std::string v;
    EXPECT_TRUE(s.KeyExists("Language"));
    ASSERT_TRUE(s.ReadString("language", "Language", v));
    EXPECT_EQ(v, "Deutsch");
    ASSERT_TRUE(s.ReadString(old, "Language", v)); // the old path names the same group
    EXPECT_EQ(v, "Deutsch");

    ASSERT_TRUE(s.WriteString("Language", "Language", "Japanese"));
    EXPECT_EQ(text(), "[Language]\nLanguage=Japanese\nKept=1\n\n");

    {
        std::ofstream out(file);
        out << "[" << old << "]\nLanguage=Deutsch\n[Language]\nLanguage=English\n";
    }
    ASSERT_TRUE(s.ReadString("Language", "Language", v));
    EXPECT_EQ(v, "English");

    {
        std::ofstream out(file);
        out << "[" << old << "]\n";
    }
    ASSERT_TRUE(s.CreateKey("Language"));
    EXPECT_EQ(text(), "[Language]\n\n");
}

} // namespace
