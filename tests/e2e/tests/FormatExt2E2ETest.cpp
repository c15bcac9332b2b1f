// End to end through `salvix-e2e format` on an ext2 volume quick-formatted as FAT32
// (tests/fixtures/make_format_ext2_image.sh): the ext2 scanner finds the old file system from its backup
// superblocks, and every file of the folders that lay outside the overwritten first group comes back
// byte-exact under its own name.
#include "tests/e2e/tests/HarnessRun.h"
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

std::string Sha256(const fs::path& file)
{
    FILE* pipe = popen(("sha256sum < '" + file.string() + "'").c_str(), "r");
    if (!pipe) return {};
    char text[65] = {};
    const size_t got = std::fread(text, 1, 64, pipe);
    pclose(pipe);
    return std::string(text, got);
}

} // namespace

TEST(FormatExt2E2E, Ext2ReformattedAsFat32GivesBackItsFiles)
{
    testsupport::TempDir dir;
    const fs::path image = dir / "format-ext2-as-fat32.img";
    const fs::path out = dir / "out";
    ASSERT_EQ(
        std::system(("xz -dc '" + FixturePath("format-ext2-as-fat32.img.xz") + "' > '" + image.string() + "'").c_str()),
        0);
    const e2e::HarnessRun run = e2e::RunHarness("format", image, out);
    const std::string& output = run.output;
    ASSERT_NE(run.exitCode, -1) << output;
    EXPECT_NE(output.find("EXT2 first=0 sectors=131072"), std::string::npos) << output;

    // Saved files by name, each with its bytes' digest.
    std::multimap<std::string, std::string> saved;
    for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file()) saved.emplace(entry.path().filename().string(), Sha256(entry.path()));

    std::ifstream in(FixturePath("format-ext2-as-fat32.manifest"));
    int files = 0;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() != 5 || f[0] != "file") continue;
        ++files;
        SCOPED_TRACE(f[1]);
        bool found = false;
        for (auto [it, end] = saved.equal_range(f[4]); it != end; ++it) found = found || it->second == f[3];
        EXPECT_TRUE(found) << output;
    }
    EXPECT_GE(files, 3);
}
