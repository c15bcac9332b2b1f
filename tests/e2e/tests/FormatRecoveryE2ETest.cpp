// End to end through `salvix-e2e format` on a FAT32 volume quick-formatted as FAT32 and as NTFS, and on one
// whose primary boot sector is zeroed: the old FAT32 is found, ranked and recommended, and every file whose
// bytes survived comes back byte-exact under its long name inside the folders whose names survived.
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string FixturePath(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

struct Expected {
    std::string path, sha256, tail;
    bool survives = false;
};

std::vector<Expected> ReadManifest(const std::string& name)
{
    std::vector<Expected> out;
    std::ifstream in(FixturePath(name + ".manifest"));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() < 6) continue;
        out.push_back({f[1], f[3], f[5], f[4] == "1"});
    }
    return out;
}

struct HarnessRun {
    int exitCode = -1;
    std::string output;
};

HarnessRun Format(const fs::path& image, const fs::path& outdir)
{
    const std::string command =
        std::string("'") + SALVIX_E2E_HARNESS + "' format '" + image.string() + "' '" + outdir.string() + "' 2>&1";
    HarnessRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer;
    while (size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), got);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// sha256 of every regular file below folder, by its path relative to folder.
std::map<std::string, std::string> Saved(const fs::path& folder)
{
    std::map<std::string, std::string> out;
    const std::string command = "cd '" + folder.string() + "' && find . -type f -print0 | xargs -0 -r sha256sum";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char line[8192];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (text.size() < 68) continue;
        out[text.substr(68)] = text.substr(0, 64);
    }
    pclose(pipe);
    return out;
}

struct Fixture {
    const char* name;
    // The first line of the ranked list: the old volume, recommended. Without its boot sector the volume is
    // placed by its directories alone (one reserved sector assumed), so its start is a guess below the data.
    const char* first;
};

class FormatRecovery : public testing::TestWithParam<Fixture> {};

} // namespace

TEST_P(FormatRecovery, TheOldFat32IsFoundAndItsSurvivingFilesComeBackExact)
{
    const std::string name = GetParam().name;
    const std::vector<Expected> expected = ReadManifest(name);
    ASSERT_FALSE(expected.empty());
    testsupport::TempDir dir;
    const fs::path image = dir / "disk.img";
    ASSERT_EQ(std::system(("xz -dc '" + FixturePath(name + ".img.xz") + "' > '" + image.string() + "'").c_str()), 0);

    const HarnessRun run = Format(image, dir / "out");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.rfind(GetParam().first, 0), 0u) << run.output;
    EXPECT_NE(run.output.find("saved "), std::string::npos);

    const std::map<std::string, std::string> saved = Saved(dir / "out");
    int survivors = 0;
    for (const Expected& e : expected) {
        if (!e.survives) continue;
        ++survivors;
        SCOPED_TRACE(e.path);
        bool found = false;
        for (const auto& [path, sha] : saved)
            if (path.size() > e.tail.size() && path.compare(path.size() - e.tail.size(), e.tail.size(), e.tail) == 0 &&
                path[path.size() - e.tail.size() - 1] == '/' && sha == e.sha256)
                found = true;
        EXPECT_TRUE(found) << run.output;
    }
    EXPECT_GE(survivors, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, FormatRecovery,
    testing::Values(Fixture{"format-fat32-as-fat32", "FAT32 first=0 sectors=131072 score=1.000 recommended=1"},
                    Fixture{"format-fat32-as-ntfs", "FAT32 first=33 sectors=131039 score=1.000 recommended=1"},
                    Fixture{"format-fat32-boot-zeroed", "FAT32 first=0 sectors=131072 score=1.000 recommended=1"}),
    [](const testing::TestParamInfo<Fixture>& info) {
        std::string n = info.param.name;
        for (char& c : n)
            if (c == '-') c = '_';
        return n;
    });
