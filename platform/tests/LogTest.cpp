// The log writer: format rewriting, line endings, early lines and whole lines under concurrency.
#include "platform/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> ReadLines(const std::filesystem::path& p)
{
    std::ifstream in(p);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

std::string Text(const std::string& line)
{
    // "date time [tid] MARK text": the text starts after the fifth space-separated field.
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) pos = line.find(' ', pos) + 1;
    while (pos < line.size() && line[pos] == ' ') ++pos;
    return line.substr(pos);
}

TEST(LogFormat, RewritesWindowsSizePrefix)
{
    const struct {
        const char* in;
        const char* out;
    } rows[] = {
        {"%I64d", "%lld"},
        {"%4I64d sectors", "%4lld sectors"},
        {"%I64X-%I64u", "%llX-%llu"},
        {"100%% %I64x", "100%% %llx"},
        {"%s %d", "%s %d"},
        {"trailing %", "trailing %"},
    };
    for (const auto& r : rows) EXPECT_EQ(plat::log::RewriteFormat(r.in), r.out) << r.in;
}

TEST(Log, EarlyLinesLineEndsLevelsAndThreads)
{
    LogInfo("before init %d", 7);
    testsupport::TempDir dir;
    const auto path = dir / "Salvix.log";
    InitLog(path.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    LogError("crlf\r\n");
    ReleaseTrace("lf\n");
    DebugTrace("hidden at normal level");
    LogInfo("none");

    auto lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(Text(lines[0]), "before init 7");
    EXPECT_EQ(Text(lines[1]), "crlf");
    EXPECT_EQ(Text(lines[2]), "lf");
    EXPECT_EQ(Text(lines[3]), "none");

    InitLog(path.c_str(), LOGLEVEL_TRACE, LOGTYPE_STANDALONE);
    DebugTrace("shown at trace level");
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 500; ++i) LogInfo("thread %d line %d %s", t, i, std::string(200, 'x').c_str());
        });
    for (auto& th : threads) th.join();
    lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 4u + 1 + 8 * 500);
    EXPECT_EQ(Text(lines[4]), "shown at trace level");
    std::set<std::string> seen;
    for (size_t i = 5; i < lines.size(); ++i) {
        std::string t = Text(lines[i]);
        ASSERT_EQ(t.size() - t.find(' ', t.find("line ") + 5), 201u) << "torn line: " << lines[i];
        seen.insert(t);
    }
    EXPECT_EQ(seen.size(), 8u * 500);
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
}

TEST(Log, FileCodeIgnoresSourceRootAndSlashKind)
{
    std::string a = std::string(SALVIX_SOURCE_DIR) + "/core/filetypes/CMapFileTypeInfo.cpp";
    std::string b = "core\\filetypes\\CMapFileTypeInfo.cpp";
    std::string c = "core/filetypes/CFileTypeFilter.cpp";
    EXPECT_EQ(FileNameToFileCode(a.data()), FileNameToFileCode(b.data()));
    EXPECT_NE(FileNameToFileCode(b.data()), FileNameToFileCode(c.data()));
}

} // namespace
