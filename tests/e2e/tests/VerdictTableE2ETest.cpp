// Every mode of salvix-e2e over the same bad inputs: an empty file, 4 MiB of 0xFF, 4 MiB of zeros (no file
// system), FAT16, FAT32 and NTFS images made by mkfs and cut to half their size, and an NTFS image whose
// second half is unreadable. The modes must agree: nothing usable is 1 everywhere; a cut source is told in
// every mode and never exits 0; a mode that saved files from it exits 3 and says why others were not saved.
// Pictures on a device without a file system are saved alike by the modes that look for signatures.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/RawImageComposer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const kModes[] = {"deleted", "raw", "format", "lost", "partitions"};

e2e::HarnessRun RunMode(const std::string& mode, const fs::path& image, const fs::path& out,
                        const std::string& environment = "")
{
    if (mode == "partitions") return e2e::RunHarnessCommand("partitions '" + image.string() + "'", environment, 60);
    return e2e::RunHarnessCommand(mode + " '" + image.string() + "' '" + out.string() + "'", environment, 60);
}

fs::path Filled(const testsupport::TempDir& dir, const std::string& name, size_t size, char byte)
{
    const fs::path path = dir / name;
    std::ofstream(path, std::ios::binary) << std::string(size, byte);
    return path;
}

// The fixture unpacked and cut to its first half.
fs::path CutFixture(const testsupport::TempDir& dir, const std::string& fixture)
{
    const fs::path image = dir / (fixture + "-cut.img");
    const std::string command = "xz -dc '" + std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + fixture +
                                ".img.xz' > '" + image.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    fs::resize_file(image, fs::file_size(image) / 2);
    return image;
}

} // namespace

TEST(VerdictTableE2E, NothingUsableIsOneInEveryMode)
{
    testsupport::TempDir dir;
    const std::vector<fs::path> inputs = {
        Filled(dir, "empty.img", 0, '\0'),
        Filled(dir, "ff.img", 4 << 20, char(0xFF)),
        Filled(dir, "zeros.img", 4 << 20, '\0'),
    };
    for (const fs::path& image : inputs) {
        for (const std::string mode : kModes) {
            SCOPED_TRACE(mode + " " + image.filename().string());
            const fs::path out = dir / ("out-" + mode + "-" + image.stem().string());
            const e2e::HarnessRun run = RunMode(mode, image, out);
            EXPECT_EQ(run.exitCode, 1) << run.output;
            EXPECT_NE(run.output.find("salvix-e2e: " + image.string() + ": "), std::string::npos) << run.output;
            // No folder of files is left behind for nothing.
            EXPECT_TRUE(!fs::exists(out) || fs::is_empty(out)) << run.output;
        }
    }
}

TEST(VerdictTableE2E, PicturesWithoutAFileSystemAreSavedByEveryModeThatLooksForSignatures)
{
    // Two PSD pictures and no file system: raw and format both save them (format finds no partition and saves
    // the whole device's signature hits) with the same verdict; the modes that read file systems find nothing.
    testsupport::TempDir dir;
    testsupport::RawImageComposer disk(2048);
    for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest("graphics"))
        if (f.name.ends_with(".psd")) disk.Append(testsupport::ReadRawFixture("graphics", f.name), f.type, f.name, 5);
    ASSERT_EQ(disk.Files().size(), 2u);
    const fs::path image = dir / "pictures.img";
    std::ofstream(image, std::ios::binary)
        .write(reinterpret_cast<const char*>(disk.Bytes().data()), std::streamsize(disk.Bytes().size()));
    for (const std::string mode : kModes) {
        SCOPED_TRACE(mode);
        const e2e::HarnessRun run = RunMode(mode, image, dir / ("out-" + mode));
        const bool signatures = mode == "raw" || mode == "format";
        EXPECT_EQ(run.exitCode, signatures ? 0 : 1) << run.output;
        if (signatures) {
            EXPECT_NE(run.output.find("saved 2 files, 0 failed\n"), std::string::npos) << run.output;
        }
    }
}

TEST(VerdictTableE2E, ACutSourceIsToldInEveryModeAndNeverWhole)
{
    testsupport::TempDir dir;
    for (const std::string fixture : {"fat16", "fat32", "ntfs_tree_c512"}) {
        const fs::path image = CutFixture(dir, fixture);
        for (const std::string mode : kModes) {
            SCOPED_TRACE(mode + " " + fixture);
            const e2e::HarnessRun run = RunMode(mode, image, dir / ("out-" + mode + "-" + fixture));
            EXPECT_NE(run.output.find("the source is shorter than its file system"), std::string::npos) << run.output;
            const bool saved =
                run.output.find("saved ") != std::string::npos && run.output.find("saved 0 files") == std::string::npos;
            // Something saved from a cut source is partial; nothing saved is nothing usable.
            if (mode != "partitions")
                EXPECT_EQ(run.exitCode, saved ? 3 : 1) << run.output;
            else
                EXPECT_EQ(run.exitCode, 3) << run.output;
        }
    }
}

TEST(VerdictTableE2E, FilesOfWhichNothingWasReadAreNotSavedInAnyMode)
{
    // The NTFS image cut short: files whose clusters all lie past the end are not saved, and the reason is told.
    testsupport::TempDir dir;
    const fs::path image = CutFixture(dir, "ntfs_tree_c512");
    for (const std::string mode : {"deleted", "format", "lost"}) {
        SCOPED_TRACE(mode);
        const fs::path out = dir / ("out-" + mode);
        const e2e::HarnessRun run = RunMode(mode, image, out);
        EXPECT_EQ(run.exitCode, 3) << run.output;
        EXPECT_EQ(run.output.find(", 0 failed"), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("not saved: no byte of it could be read from the source"), std::string::npos)
            << run.output;
        // A file not saved leaves nothing: the folder holds exactly the files the first line calls saved.
        int saved = -1;
        ASSERT_EQ(std::sscanf(run.output.c_str() + run.output.find("saved "), "saved %d files", &saved), 1);
        int files = 0;
        for (const auto& e : fs::recursive_directory_iterator(out)) files += e.is_regular_file() ? 1 : 0;
        EXPECT_EQ(files, saved) << run.output;
        // And no folder is left empty.
        for (const auto& e : fs::recursive_directory_iterator(out))
            if (e.is_directory()) {
                EXPECT_FALSE(fs::is_empty(e.path())) << e.path();
            }
    }
}

TEST(VerdictTableE2E, VolumesOnAReadableDiskWithoutAVolumeSaySo)
{
    testsupport::TempDir dir;
    const fs::path zeros = Filled(dir, "zeros.img", 4 << 20, '\0');
    const e2e::HarnessRun run =
        e2e::RunHarnessCommand("volumes", "SALVIX_DISKS='" + zeros.string() + "' SALVIX_DRIVES=", 60);
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("no volume was found on the disks that could be read"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("no readable disk"), std::string::npos) << run.output;
}
