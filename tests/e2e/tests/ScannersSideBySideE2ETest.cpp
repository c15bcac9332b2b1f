// The scanners of format recovery run side by side on each block (each on a thread of its own) or one after
// another, with the same result on every fixture image: the same partitions found and ranked, and the same
// files saved from their trees with the same bytes, and the same report (unreadable sectors included).
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// What a run gave, with the output folder's name taken out of the report.
std::string Outcome(const e2e::HarnessRun& run, const fs::path& out)
{
    std::string text = run.output;
    const std::string folder = out.string();
    for (size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at))
        text.replace(at, folder.size(), "OUT");
    std::string outcome = "exit " + std::to_string(run.exitCode) + "\n" + text;
    for (const auto& [path, sha] : e2e::SavedSha256(out)) outcome += path + " " + sha + "\n";
    return outcome;
}

} // namespace

TEST(ScannersSideBySide, SameFindingsAndFilesAsOneAfterAnother)
{
    std::vector<std::string> images;
    for (const auto& entry : fs::directory_iterator(testsupport::FixturePath("")))
        if (entry.path().string().ends_with(".img.xz")) images.push_back(entry.path().filename().string());
    std::sort(images.begin(), images.end());
    ASSERT_GT(images.size(), 20u);
    testsupport::TempDir dir;
    for (const std::string& file : images) {
        const std::string name = file.substr(0, file.size() - 7);
        const fs::path image = dir / (name + ".img");
        ASSERT_TRUE(testsupport::ExtractFixtureImage(name, image.string())) << name;
        // A bad stretch too on the FAT32 volume formatted over as NTFS: the sectors read as zeros are told alike.
        const std::string bad = name == "format-fat32-as-ntfs" ? "SALVIX_E2E_BAD_SECTORS=40-47,3000-3100 " : "";
        const e2e::HarnessRun serial =
            e2e::RunHarness("format", image, dir / "serial", bad + "SALVIX_E2E_SCANNERS=serial");
        const e2e::HarnessRun parallel = e2e::RunHarness("format", image, dir / "parallel", bad);
        EXPECT_EQ(Outcome(parallel, dir / "parallel"), Outcome(serial, dir / "serial")) << name;
        fs::remove_all(dir / "serial");
        fs::remove_all(dir / "parallel");
        fs::remove(image);
    }
}
