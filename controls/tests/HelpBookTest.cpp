// The help book as shipped in the build's data folder: every page of the contents, and so every context id
// the program passes, exists in each language, the languages hold the same pages, and every link between
// pages (with its anchor) leads to a page and a place that exist.
#include "core/HelpTopic.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const kLanguages[] = {"English", "Deutsch", "Japanese"};

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> PagesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".html") names.insert(e.path().filename().string());
    return names;
}

std::set<std::string> Anchors(const std::string& html)
{
    static const std::regex anchor(R"re((?:name|id)\s*=\s*"([^"]+)")re");
    std::set<std::string> out;
    for (std::sregex_iterator it(html.begin(), html.end(), anchor), end; it != end; ++it) out.insert((*it)[1]);
    return out;
}

std::vector<std::string> Links(const std::string& html)
{
    static const std::regex href(R"re(href\s*=\s*"([^"]*)")re");
    std::vector<std::string> out;
    for (std::sregex_iterator it(html.begin(), html.end(), href), end; it != end; ++it) out.push_back((*it)[1]);
    return out;
}

// The ids the windows of the program pass: the eleven wizard pages, the Options dialog, find and search, and
// both disk-image wizards. Each widget test checks its own id reaches its page; this table makes sure none
// of them falls back to the start page.
const int kProgramContextIds[] = {15, 16, 50, 51, 27, 25, 23, 52, 46, 20};

} // namespace

TEST(HelpBook, EveryContextIdHasItsOwnPageInEachLanguage)
{
    std::set<std::string> distinct;
    for (int id : kProgramContextIds) {
        SCOPED_TRACE(id);
        const std::string page = HelpPageForTopic(id);
        EXPECT_NE(page, kHelpStartPage);
        distinct.insert(page);
        for (const char* language : kLanguages)
            EXPECT_TRUE(fs::is_regular_file(HelpBookFolder(language) / page)) << language << "/" << page;
    }
    EXPECT_EQ(distinct.size(), 10u); // ids 50 and 51 each stand for two pages of their mode, one page each
    EXPECT_EQ(HelpPageForTopic(0), kHelpStartPage);
    EXPECT_EQ(HelpPageForTopic(9999), kHelpStartPage);
    EXPECT_EQ(HelpPageForTopic(-1), kHelpStartPage);
}

TEST(HelpBook, LanguagesHoldTheSamePagesAsTheContents)
{
    std::set<std::string> contents;
    for (const HelpTopicPage& p : HelpBookPages()) contents.insert(p.fileName);
    EXPECT_EQ(contents.size(), HelpBookPages().size()); // no page twice
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        const fs::path folder = HelpBookFolder(language);
        EXPECT_EQ(folder.filename().string(), language);
        EXPECT_EQ(PagesIn(folder), contents);
    }
    // A language without a book reads the English one.
    EXPECT_EQ(HelpBookFolder("Klingon").filename().string(), "English");
    EXPECT_EQ(HelpBookFolder("").filename().string(), "English");
    EXPECT_EQ(HelpBookFolder("../English").filename().string(), "English");
}

TEST(HelpBook, EveryLinkLeadsToAPageAndPlaceOfTheSameBook)
{
    for (const char* language : kLanguages) {
        const fs::path folder = HelpBookFolder(language);
        int links = 0;
        for (const std::string& page : PagesIn(folder)) {
            SCOPED_TRACE(std::string(language) + "/" + page);
            const std::string html = ReadFile(folder / page);
            EXPECT_THAT(html, ::testing::HasSubstr("<meta charset=\"utf-8\">"));
            EXPECT_THAT(html, ::testing::ContainsRegex("<title>[^<]+</title>"));
            for (const std::string& link : Links(html)) {
                ++links;
                SCOPED_TRACE(link);
                ASSERT_FALSE(link.empty());
                // The book lives offline: no web addresses and no paths out of its folder.
                EXPECT_EQ(link.find(':'), std::string::npos);
                EXPECT_EQ(link.find('/'), std::string::npos);
                const size_t hash = link.find('#');
                const std::string file = hash == std::string::npos ? link : link.substr(0, hash);
                const std::string target = file.empty() ? page : file;
                ASSERT_TRUE(fs::is_regular_file(folder / target));
                if (hash != std::string::npos) {
                    const std::string anchor = link.substr(hash + 1);
                    EXPECT_TRUE(Anchors(ReadFile(folder / target)).count(anchor)) << "no anchor " << anchor;
                }
            }
        }
        EXPECT_GT(links, 50) << language;
    }
}

TEST(HelpBook, StartPageTellsWhatEveryUserNeedsFirst)
{
    // The start page's sections that the other pages point to, in every language.
    for (const char* language : kLanguages) {
        SCOPED_TRACE(language);
        const std::set<std::string> anchors = Anchors(ReadFile(HelpBookFolder(language) / kHelpStartPage));
        for (const char* a : {"modes", "not-listed", "images", "source", "partial"}) EXPECT_TRUE(anchors.count(a)) << a;
        const std::string html = ReadFile(HelpBookFolder(language) / kHelpStartPage);
        for (const char* text : {"<code>disk</code>", "usermod", ".img", "/dev/sdb"})
            EXPECT_THAT(html, ::testing::HasSubstr(text));
    }
}
