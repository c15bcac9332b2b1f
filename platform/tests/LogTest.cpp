// The log writer: format rewriting, line endings, early lines and whole lines under concurrency.
#include "platform/Log.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
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

// Past the rotation size the file becomes "<name>.1" and a new one is started: both stay near the cap, no
// line is torn or lost at the seam while eight threads write, and a file left large by an earlier run is
// rotated when the log is opened.
TEST(Log, RotatesPastItsSize)
{
    EXPECT_EQ(plat::log::kRotationSize, 16u << 20);
    testsupport::TempDir dir;
    const auto path = dir / "Salvix.log";
    const auto previous = dir / "Salvix.log.1";
    constexpr uint64_t kCap = 64 * 1024;
    plat::log::SetRotationSize(kCap);
    std::ofstream(path) << std::string(kCap + 10, 'o') << "\n";
    InitLog(path.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    EXPECT_EQ(std::filesystem::file_size(previous), kCap + 11);
    EXPECT_EQ(std::filesystem::file_size(path), 0u);

    constexpr int kThreads = 8, kLines = 400; // 8 x 400 lines of about 250 bytes: several rotations
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) LogInfo("thread %d line %04d %s", t, i, std::string(200, 'x').c_str());
        });
    for (auto& th : threads) th.join();
    InitLog("", LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
    plat::log::SetRotationSize(0);

    constexpr uint64_t kLongestLine = 300;
    EXPECT_LE(std::filesystem::file_size(path), kCap + kThreads * kLongestLine);
    EXPECT_LE(std::filesystem::file_size(previous), kCap + kThreads * kLongestLine);
    std::vector<std::string> lines = ReadLines(previous);
    const std::vector<std::string> current = ReadLines(path);
    lines.insert(lines.end(), current.begin(), current.end());
    // Lines are whole, and each thread's lines follow one another across the seam of the two files.
    std::vector<int> next(kThreads, -1);
    for (const std::string& line : lines) {
        const std::string t = Text(line);
        int thread = -1, number = -1;
        ASSERT_EQ(std::sscanf(t.c_str(), "thread %d line %d", &thread, &number), 2) << "torn line: " << line;
        ASSERT_EQ(t.size(), std::string("thread 0 line 0000 ").size() + 200) << "torn line: " << line;
        if (next[thread] >= 0) {
            EXPECT_EQ(number, next[thread]) << "a line lost at the seam";
        }
        next[thread] = number + 1;
    }
    EXPECT_NE(std::find(next.begin(), next.end(), kLines), next.end()) << "the last lines are in the new file";
    EXPECT_GT(lines.size(), kCap / kLongestLine);
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
