// Interface language from the settings file, its cache, and the font face.
#include "core/LanguageHelpers.h"

#include "platform/Settings.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

TEST(LanguageHelpers, OnlyJapaneseSelectsTheJapaneseFace)
{
    struct Case {
        const char* name;
        int language;
    };
    for (const Case& c : {Case{"Japanese", 2}, Case{"japanese", 1}, Case{"English", 1}, Case{"Deutsch", 1}, Case{"", 1},
                          Case{"Japanese ", 1}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LanguageFromName(c.name), c.language);
    }
}

TEST(LanguageHelpers, AMissingValueReadsEnglishAndIsWrittenBack)
{
    testsupport::TempDir dir;
    plat::SettingsFile settings(dir / "settings.ini");
    bool existed = true;
    EXPECT_EQ(ReadLanguageName(settings, &existed), "English");
    EXPECT_FALSE(existed);
    std::string stored;
    ASSERT_TRUE(settings.ReadString(kLanguageKey, kLanguageValue, stored));
    EXPECT_EQ(stored, "English");

    ASSERT_TRUE(settings.WriteString(kLanguageKey, kLanguageValue, "Deutsch"));
    EXPECT_EQ(ReadLanguageName(settings, &existed), "Deutsch");
    EXPECT_TRUE(existed);

    ASSERT_TRUE(settings.WriteString(kLanguageKey, kLanguageValue, ""));
    EXPECT_EQ(ReadLanguageName(settings), "English");
}

// Points the program's settings file at a temporary folder for one test.
class ProgramSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* old = std::getenv("SALVIX_CONFIG_DIR")) m_old = old;
        setenv("SALVIX_CONFIG_DIR", m_dir.path().c_str(), 1);
        ResetUILanguageCacheForTest();
    }
    void TearDown() override
    {
        if (m_old)
            setenv("SALVIX_CONFIG_DIR", m_old->c_str(), 1);
        else
            unsetenv("SALVIX_CONFIG_DIR");
        ResetUILanguageCacheForTest();
    }
    plat::SettingsFile Settings() { return plat::SettingsFile::Default(); }

    testsupport::TempDir m_dir;
    std::optional<std::string> m_old;
};

TEST_F(ProgramSettings, TheLanguageIsReadOnceAndCached)
{
    ASSERT_TRUE(Settings().WriteString(kLanguageKey, kLanguageValue, "Japanese"));
    int language = 0;
    EXPECT_TRUE(ReadUILanguage(&language));
    EXPECT_EQ(language, 2);
    EXPECT_STREQ(GetUIFontName(), "Meiryo UI");

    ASSERT_TRUE(Settings().WriteString(kLanguageKey, kLanguageValue, "English"));
    EXPECT_EQ(GetUILanguage(), 2); // cached
}

TEST_F(ProgramSettings, AFirstRunReadsEnglishAndReportsTheMissingKey)
{
    int language = 0;
    EXPECT_FALSE(ReadUILanguage(&language));
    EXPECT_EQ(language, 1);
    EXPECT_STREQ(GetUIFontName(), "Arial");
    EXPECT_TRUE(ReadUILanguage(&language)); // later calls answer from the cache
    std::string stored;
    ASSERT_TRUE(Settings().ReadString(kLanguageKey, kLanguageValue, stored));
    EXPECT_EQ(stored, "English");
}

} // namespace
