// End to end through salvix-e2e on FAT volumes made by mkfs.fat with each class of media descriptor (0xF0,
// 0xF8, 0xFA) in the three widths, and on a FAT12 floppy with every file in the root
// (tests/fixtures/make_fat_media_images.sh): every mode reads them, and each file comes back byte-exact in its
// folder.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Expected {
    bool deleted = false;
    std::string folder; // "" for the root, else "Folder"
    std::string name;
    std::string sha256;
};

std::vector<Expected> ReadExpected(const std::string& name)
{
    std::vector<Expected> out;
    for (const std::vector<std::string>& row : testsupport::ReadManifestRows(name)) {
        if (row.size() < 4) continue;
        const std::string path = row[1].substr(1);
        const size_t slash = path.rfind('/');
        Expected e;
        e.deleted = row[0] == "deleted";
        e.folder = slash == std::string::npos ? "" : path.substr(0, slash);
        e.name = slash == std::string::npos ? path : path.substr(slash + 1);
        e.sha256 = row[3];
        out.push_back(e);
    }
    return out;
}

// The saved files by their path below the partition's folder ("Folder/a.txt").
std::map<std::string, std::string> SavedBelowPartition(const fs::path& out)
{
    std::map<std::string, std::string> files;
    for (const auto& [path, sha] : e2e::SavedSha256(out)) {
        const size_t partition = path.find('/', 2);
        if (partition != std::string::npos) files[path.substr(partition + 1)] = sha;
    }
    return files;
}

// A live file under its own name; a deleted one in its folder (its 8.3 name has lost its first letter).
bool CameBack(const std::map<std::string, std::string>& saved, const Expected& e)
{
    if (!e.deleted) {
        auto found = saved.find(e.folder.empty() ? e.name : e.folder + "/" + e.name);
        return found != saved.end() && found->second == e.sha256;
    }
    for (const auto& [path, sha] : saved) {
        const size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
        if (folder == e.folder && sha == e.sha256) return true;
    }
    return false;
}

struct Fixture {
    const char* name;
    const char* kind; // FAT12, FAT16, FAT32
};

class FatMedia : public testing::TestWithParam<Fixture> {
protected:
    void SetUp() override
    {
        m_expected = ReadExpected(GetParam().name);
        ASSERT_FALSE(m_expected.empty());
        ASSERT_TRUE(testsupport::ExtractFixtureImage(GetParam().name, m_image.string()));
    }
    testsupport::TempDir m_dir;
    fs::path m_image = m_dir / "volume.img";
    std::vector<Expected> m_expected;
};

} // namespace

TEST_P(FatMedia, EveryModeReadsTheVolumeAndBringsItsFilesBack)
{
    const std::string kind = GetParam().kind;
    const e2e::HarnessRun found = e2e::RunHarnessCommand("partitions '" + m_image.string() + "'");
    ASSERT_EQ(found.exitCode, 0) << found.output;
    EXPECT_EQ(found.output.rfind(kind + "\t0\t", 0), 0u) << found.output;

    for (const char* mode : {"deleted", "format", "lost"}) {
        SCOPED_TRACE(mode);
        const fs::path out = m_dir / (std::string("out-") + mode);
        const e2e::HarnessRun run = e2e::RunHarness(mode, m_image, out);
        ASSERT_EQ(run.exitCode, 0) << run.output;
        if (std::string(mode) == "format") {
            EXPECT_EQ(run.output.rfind(kind + " first=0 ", 0), 0u) << run.output;
        }
        const std::map<std::string, std::string> saved = SavedBelowPartition(out);
        for (const Expected& e : m_expected) {
            SCOPED_TRACE(e.folder + "/" + e.name);
            // Deleted-file recovery gathers the deleted files only.
            if (std::string(mode) == "deleted" && !e.deleted) continue;
            EXPECT_TRUE(CameBack(saved, e)) << run.output;
        }
        size_t wanted = 0;
        for (const Expected& e : m_expected) wanted += std::string(mode) != "deleted" || e.deleted;
        EXPECT_EQ(saved.size(), wanted) << run.output;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FatMedia,
                         testing::Values(Fixture{"fat-media-f0-12", "FAT12"}, Fixture{"fat-media-f0-16", "FAT16"},
                                         Fixture{"fat-media-f0-32", "FAT32"}, Fixture{"fat-media-f8-12", "FAT12"},
                                         Fixture{"fat-media-f8-16", "FAT16"}, Fixture{"fat-media-f8-32", "FAT32"},
                                         Fixture{"fat-media-fa-12", "FAT12"}, Fixture{"fat-media-fa-16", "FAT16"},
                                         Fixture{"fat-media-fa-32", "FAT32"},
                                         Fixture{"fat-media-f0-12-rootonly", "FAT12"}),
                         [](const testing::TestParamInfo<Fixture>& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '-') c = '_';
                             return n;
                         });
