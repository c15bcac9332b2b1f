// End to end through `salvix-e2e format` on NTFS volumes placed in disk images without a partition table: an
// intact volume at sector 2048 is found with its size and its files come back byte-exact; with its boot
// sector and the start of its $MFT zeroed the files still come back, with names and folders read from the
// scanned records; and a volume of 4096-byte sectors is found and recovered on a 4096-byte-sector device.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::FixturePath;

struct Row {
    bool deleted = false;
    std::string treePath, sha256;
};

// The files of a tree-fixture manifest (see tests/fixtures/make_ntfs_tree_images.sh).
std::vector<Row> ReadFiles(const std::string& name)
{
    std::vector<Row> out;
    std::ifstream in(FixturePath(name + ".manifest"));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (f.size() >= 6 && f[0] == "file") out.push_back({f[1] == "deleted", f[2], f[5]});
    }
    return out;
}

std::vector<uint8_t> Decompress(const std::string& name)
{
    std::vector<uint8_t> bytes;
    FILE* pipe = popen(("xz -dc '" + FixturePath(name + ".img.xz") + "'").c_str(), "r");
    if (!pipe) return bytes;
    std::array<char, 65536> buffer;
    while (size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe))
        bytes.insert(bytes.end(), buffer.data(), buffer.data() + got);
    if (pclose(pipe) != 0) bytes.clear();
    return bytes;
}

uint64_t Le(const std::vector<uint8_t>& b, size_t at, unsigned width)
{
    uint64_t v = 0;
    for (unsigned i = 0; i < width; ++i) v |= uint64_t(b[at + i]) << (8 * i);
    return v;
}

// Whether a saved file ends with the path's last `parts` components and has the content.
bool SavedWith(const std::map<std::string, std::string>& saved, const std::string& treePath, int parts,
               const std::string& sha)
{
    size_t cut = treePath.size();
    for (int i = 0; i < parts && cut != std::string::npos && cut > 0; ++i) cut = treePath.rfind('/', cut - 1);
    const std::string tail = cut == std::string::npos ? treePath : treePath.substr(cut);
    for (const auto& [path, hash] : saved)
        if (hash == sha && path.size() >= tail.size() &&
            path.compare(path.size() - tail.size(), tail.size(), tail) == 0)
            return true;
    return false;
}

// The fixture volume at byte offset `at` of an image with 1 MiB of zeros after it; no partition table.
fs::path MakeImage(const testsupport::TempDir& dir, const std::vector<uint8_t>& volume, uint64_t at)
{
    const fs::path image = dir / "disk.img";
    std::ofstream out(image, std::ios::binary);
    const std::vector<char> zeros(at, 0);
    out.write(zeros.data(), std::streamsize(zeros.size()));
    out.write(reinterpret_cast<const char*>(volume.data()), std::streamsize(volume.size()));
    const std::vector<char> tail(1 << 20, 0);
    out.write(tail.data(), std::streamsize(tail.size()));
    return image;
}

} // namespace

TEST(NtfsFormatRecovery, VolumeAtSector2048WithoutTableIsFoundWithItsSizeAndItsFilesComeBackExact)
{
    std::vector<uint8_t> volume = Decompress("ntfs_tree_c4k");
    ASSERT_GE(volume.size(), 512u);
    const uint64_t totalSectors = Le(volume, 0x28, 8);
    testsupport::TempDir dir;
    const e2e::HarnessRun run = e2e::RunHarness("format", MakeImage(dir, volume, 2048 * 512), dir / "out");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string first =
        "NTFS first=2048 sectors=" + std::to_string(totalSectors / 8 * 8) + " score=1.000 recommended=1";
    EXPECT_EQ(run.output.rfind(first, 0), 0u) << run.output;

    const auto saved = e2e::SavedSha256(dir / "out");
    int live = 0;
    for (const Row& row : ReadFiles("ntfs_tree_c4k")) {
        if (row.deleted) continue;
        ++live;
        EXPECT_TRUE(SavedWith(saved, row.treePath, 100, row.sha256)) << row.treePath << "\n" << run.output;
    }
    EXPECT_GE(live, 8);
}

TEST(NtfsFormatRecovery, BootSectorAndMftStartZeroedStillGiveNamedFilesInTheirFolders)
{
    std::vector<uint8_t> volume = Decompress("ntfs_tree_c4k");
    ASSERT_GE(volume.size(), 512u);
    const uint64_t mftCluster = Le(volume, 0x30, 8);
    const uint64_t bytesPerCluster = Le(volume, 0x0B, 2) * volume[0x0D];
    // The boot sector and the $MFT's first 16 records ($MFT, $MFTMirr, ..., the root folder) are gone.
    std::fill(volume.begin(), volume.begin() + 512, 0);
    std::fill(volume.begin() + mftCluster * bytesPerCluster, volume.begin() + mftCluster * bytesPerCluster + 16 * 1024,
              0);
    testsupport::TempDir dir;
    const e2e::HarnessRun run = e2e::RunHarness("format", MakeImage(dir, volume, 2048 * 512), dir / "out");
    ASSERT_NE(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("NTFS first=2048 "), std::string::npos) << run.output;

    const auto saved = e2e::SavedSha256(dir / "out");
    // The folders' own records survived, so each file comes back inside its folder.
    int checked = 0;
    for (const Row& row : ReadFiles("ntfs_tree_c4k")) {
        if (row.deleted || row.treePath.find("Recycle") != std::string::npos) continue;
        ++checked;
        EXPECT_TRUE(SavedWith(saved, row.treePath, 2, row.sha256)) << row.treePath << "\n" << run.output;
    }
    EXPECT_GE(checked, 6);
}

TEST(NtfsFormatRecovery, VolumeOn4096ByteSectors)
{
    std::vector<uint8_t> volume = Decompress("ntfs_tree_4kn");
    ASSERT_GE(volume.size(), 4096u);
    const uint64_t totalSectors = Le(volume, 0x28, 8);
    const uint64_t spc = volume[0x0D];
    testsupport::TempDir dir;
    const e2e::HarnessRun run =
        e2e::RunHarness("format", MakeImage(dir, volume, 2048 * 512), dir / "out", "SALVIX_E2E_SECTOR_SIZE=4096 ");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const std::string first =
        "NTFS first=256 sectors=" + std::to_string(totalSectors / spc * spc) + " score=1.000 recommended=1";
    EXPECT_EQ(run.output.rfind(first, 0), 0u) << run.output;
    const auto saved = e2e::SavedSha256(dir / "out");
    for (const Row& row : ReadFiles("ntfs_tree_4kn"))
        if (!row.deleted) {
            EXPECT_TRUE(SavedWith(saved, row.treePath, 100, row.sha256)) << row.treePath << "\n" << run.output;
        }
}
