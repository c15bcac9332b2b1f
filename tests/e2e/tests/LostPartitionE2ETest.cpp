// End to end through salvix-e2e on the disk whose partition table was zeroed (tests/fixtures/
// make_lost_partition_image.sh): the partition search names every volume with its file system, start, size and
// label, and the lost mode saves every file of each one byte-exact under its own name.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
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

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) out.push_back(field);
    return out;
}

using e2e::HarnessRun;

HarnessRun Harness(const std::string& arguments)
{
    return e2e::RunHarnessCommand(arguments);
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

class LostPartitionE2E : public testing::Test {
protected:
    void SetUp() override
    {
        m_image = m_dir / "lost-disk.img";
        ASSERT_EQ(
            std::system(("xz -dc '" + FixturePath("lost-disk.img.xz") + "' > '" + m_image.string() + "'").c_str()), 0);
        std::ifstream in(FixturePath("lost-disk.manifest"));
        for (std::string line; std::getline(in, line);) {
            const std::vector<std::string> f = Fields(line);
            if (f.size() == 5 && f[0] == "partition")
                m_partitions.push_back(f[1] + "\t" + f[2] + "\t" + f[3] + "\t" + f[4]);
            if (f.size() == 5 && f[0] == "file") m_files.push_back(f);
        }
        ASSERT_EQ(m_partitions.size(), 3u);
        ASSERT_FALSE(m_files.empty());
    }

    testsupport::TempDir m_dir;
    fs::path m_image;
    std::vector<std::string> m_partitions; // file system, start, count, label
    std::vector<std::vector<std::string>> m_files;
};

} // namespace

TEST_F(LostPartitionE2E, EveryPartitionIsFoundWithItsKindStartAndSize)
{
    const HarnessRun run = Harness("partitions '" + m_image.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::vector<std::string> lines;
    std::istringstream in(run.output);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::vector<std::string> expected = m_partitions;
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);
}

TEST_F(LostPartitionE2E, EveryFileOfEveryPartitionIsSavedByteExact)
{
    const fs::path out = m_dir / "out";
    const HarnessRun run = Harness("lost '" + m_image.string() + "' '" + out.string() + "'");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    // Each partition's line ends in its quoted label; the folder it was saved into follows as "into <path>".
    std::map<std::string, fs::path> folderOf;
    std::string label;
    std::istringstream in(run.output);
    for (std::string line; std::getline(in, line);) {
        if (line.size() > 2 && line.back() == '"') {
            const size_t open = line.rfind('"', line.size() - 2);
            label = line.substr(open + 1, line.size() - open - 2);
        }
        if (line.rfind("into ", 0) == 0) folderOf[label] = line.substr(5);
    }
    ASSERT_EQ(folderOf.size(), 3u) << run.output;
    size_t saved = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out))
        if (entry.is_regular_file()) ++saved;
    EXPECT_EQ(saved, m_files.size());
    for (const std::vector<std::string>& f : m_files) {
        SCOPED_TRACE(f[1] + f[2]);
        ASSERT_TRUE(folderOf.count(f[1]));
        const fs::path file = folderOf[f[1]] / f[2].substr(1);
        ASSERT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_EQ(std::to_string(fs::file_size(file)), f[3]);
        EXPECT_EQ(Sha256(file), f[4]);
    }
}

TEST_F(LostPartitionE2E, ADiskWithoutPartitionsIsTold)
{
    const fs::path empty = m_dir / "empty.img";
    std::ofstream(empty.string()).close();
    fs::resize_file(empty, 4 * 1024 * 1024);
    const HarnessRun listed = Harness("partitions '" + empty.string() + "'");
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_NE(listed.output.find("no lost partition was found"), std::string::npos) << listed.output;
    const HarnessRun run = Harness("lost '" + empty.string() + "' '" + (m_dir / "out").string() + "'");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("no lost partition was found"), std::string::npos) << run.output;
}
