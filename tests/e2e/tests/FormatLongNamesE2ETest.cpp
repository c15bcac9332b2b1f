// End to end through salvix-e2e on a FAT32 volume whose folders of files with long Unicode names (many
// crossing the end of a directory cluster) were deleted before it was quick-formatted
// (tests/fixtures/make_format_longname_image.sh): format recovery brings every file back byte-exact with its
// whole name inside its own folder, none under "Lost Folders"; deleted-file recovery sees the new, empty volume.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace {

bool EndsWithPath(const std::string& path, const std::string& tail)
{
    return path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0 &&
           path[path.size() - tail.size() - 1] == '/';
}

} // namespace

TEST(FormatLongNames, EveryFileComesBackWholeInItsFolder)
{
    const char* name = "format-fat32-longnames";
    testsupport::TempDir dir;
    const fs::path image = dir / "disk.img";
    ASSERT_TRUE(testsupport::ExtractFixtureImage(name, image.string()));

    const e2e::HarnessRun run = e2e::RunHarness("format", image, dir / "out");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output.rfind("FAT32 first=0 sectors=81920 score=1.000 recommended=1", 0), 0u) << run.output;
    const std::map<std::string, std::string> saved = e2e::SavedSha256(dir / "out");
    size_t files = 0;
    for (const std::vector<std::string>& row : testsupport::ReadManifestRows(name)) {
        ASSERT_EQ(row.size(), 5u);
        ++files;
        const std::string& sha = row[3];
        const std::string& tail = row[4];
        SCOPED_TRACE(row[1]);
        bool found = false;
        for (const auto& [path, content] : saved) found = found || (EndsWithPath(path, tail) && content == sha);
        EXPECT_TRUE(found) << run.output;
    }
    EXPECT_EQ(files, 64u);
    EXPECT_EQ(saved.size(), files);
    for (const auto& [path, content] : saved) EXPECT_EQ(path.find("Lost Folders"), std::string::npos) << path;

    // Deleted-file recovery reads the volume the format made, which holds nothing.
    const e2e::HarnessRun deleted = e2e::RunHarness("deleted", image, dir / "deleted");
    EXPECT_EQ(deleted.exitCode, 0) << deleted.output;
    EXPECT_NE(deleted.output.find("saved 0 files, 0 failed"), std::string::npos) << deleted.output;
}
