// End to end over dynamic disks: fixture file systems split across member disk images that carry a dynamic-
// disk database, as a spanned volume of two disks and a RAID-5 volume of three with one disk missing. The
// assembled volume is listed by `salvix-e2e volumes`, and `salvix-e2e deleted` over the member images brings
// back the same deleted files, byte for byte, as over the plain image.
#include "tests/support/DynamicDiskBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testsupport::DynamicDiskBuilder;

namespace {

enum class Layout { Spanned, Raid5 };

struct Case {
    const char* fixture;
    bool fat; // the manifest's form: FAT rows or NTFS rows
    uint8_t partitionType;
    Layout layout;
    int missing; // the RAID-5 member left out, -1 none
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.fixture << (c.layout == Layout::Spanned ? " spanned" : " RAID-5") << " missing " << c.missing;
}

const std::string kGuids[] = {"a1a1a1a1-0000-4000-8000-000000000001", "b2b2b2b2-0000-4000-8000-000000000002",
                              "c3c3c3c3-0000-4000-8000-000000000003"};
constexpr uint64_t kStripeSectors = 128;

std::string FixturePath(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

std::string Shell(const std::string& command, int* exitCode)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return output;
    std::array<char, 4096> buffer;
    while (size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), got);
    const int status = pclose(pipe);
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

std::vector<uint8_t> Unpacked(const std::string& fixture)
{
    int code = -1;
    const std::string bytes = Shell("xz -dc '" + FixturePath(fixture + ".img.xz") + "'", &code);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

// The sha256 of every deleted file the manifest holds to its bytes.
std::set<std::string> DeletedHashes(const Case& c)
{
    std::set<std::string> out;
    std::ifstream in(FixturePath(std::string(c.fixture) + ".manifest"));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (c.fat && f.size() >= 6 && f[0] == "deleted" && f[1].back() != '/' && f[5] == "1") out.insert(f[3]);
        if (!c.fat && f.size() >= 8 && f[0] == "file" && f[1] == "deleted") out.insert(f[5]);
    }
    return out;
}

// Relative path -> sha256 of every file below a folder.
std::map<std::string, std::string> SavedFiles(const fs::path& folder)
{
    std::map<std::string, std::string> out;
    int code = -1;
    std::istringstream lines(
        Shell("cd '" + folder.string() + "' && find . -type f -print0 | xargs -0 -r sha256sum", &code));
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 68) out[line.substr(68)] = line.substr(0, 64);
    return out;
}

std::string Deleted(const std::vector<std::string>& images, const fs::path& out, int* exitCode)
{
    std::string command = std::string("'") + SALVIX_E2E_HARNESS + "' deleted";
    for (const std::string& image : images) command += " '" + image + "'";
    return Shell(command + " '" + out.string() + "' 2>&1", exitCode);
}

// Writes the member disk images of the case and returns them, the missing member left out.
std::vector<std::string> BuildMembers(const Case& c, const std::vector<uint8_t>& volume, const fs::path& dir,
                                      uint64_t* volumeSectors)
{
    const uint64_t sectors = volume.size() / 512;
    *volumeSectors = sectors;
    DynamicDiskBuilder b;
    std::vector<uint64_t> disks;
    std::vector<std::vector<uint8_t>> parts;
    const size_t n = c.layout == Layout::Spanned ? 2 : 3;
    for (size_t i = 0; i < n; ++i) disks.push_back(b.AddDisk(kGuids[i], "Disk" + std::to_string(i + 1)));
    if (c.layout == Layout::Spanned) {
        // Uneven halves, so that the member boundary falls inside a cluster.
        const uint64_t first = sectors / 2 - 777;
        parts = testsupport::SplitSpanned(volume, {first * 512, (sectors - first) * 512});
        const uint64_t v = b.AddVolume("Volume1", 3, sectors, c.partitionType, 1);
        const uint64_t comp = b.AddComponent("Volume1-01", v, 2, 2);
        b.AddPartition("Disk1-01", comp, disks[0], 0, 0, first);
        b.AddPartition("Disk2-01", comp, disks[1], 0, first, sectors - first);
    } else {
        parts = testsupport::SplitRaid5(volume, 3, kStripeSectors * 512);
        const uint64_t column = parts[0].size() / 512;
        const uint64_t v = b.AddVolume("Volume2", 4, sectors, c.partitionType, 1);
        const uint64_t comp = b.AddComponent("Volume2-01", v, 3, 3, kStripeSectors, 3);
        for (uint64_t i = 0; i < 3; ++i)
            b.AddPartition("Disk" + std::to_string(i + 1) + "-01", comp, disks[i], 0, 0, column, i);
    }
    std::vector<std::string> images;
    for (size_t i = 0; i < n; ++i) {
        if (int(i) == c.missing) continue;
        const std::string path = (dir / ("member" + std::to_string(i) + ".img")).string();
        const uint64_t diskSectors =
            DynamicDiskBuilder::kLogicalStart + parts[i].size() / 512 + DynamicDiskBuilder::kDatabaseBytes / 512;
        EXPECT_TRUE(b.WriteDiskFile(path, diskSectors, kGuids[i]));
        EXPECT_TRUE(testsupport::WriteFileAt(path, DynamicDiskBuilder::kLogicalStart * 512, parts[i]));
        images.push_back(path);
    }
    return images;
}

class DynamicVolumeE2E : public testing::TestWithParam<Case> {};

} // namespace

TEST_P(DynamicVolumeE2E, DeletedFilesComeBackExactFromTheAssembledVolume)
{
    const Case& c = GetParam();
    const std::set<std::string> expected = DeletedHashes(c);
    ASSERT_FALSE(expected.empty());
    testsupport::TempDir dir;
    const std::vector<uint8_t> volume = Unpacked(c.fixture);
    ASSERT_GT(volume.size(), 1u << 20);
    uint64_t sectors = 0;
    const std::vector<std::string> images = BuildMembers(c, volume, dir.path(), &sectors);

    // The plain image is the reference the assembled volume must match.
    const std::string plain = (dir / "plain.img").string();
    ASSERT_TRUE(testsupport::WriteFileAt(plain, 0, volume));
    int code = -1;
    const std::string reference = Deleted({plain}, dir / "reference", &code);
    ASSERT_EQ(code, 0) << reference;

    const std::string output = Deleted(images, dir / "assembled", &code);
    ASSERT_EQ(code, 0) << output;
    EXPECT_NE(output.find(c.layout == Layout::Spanned ? "dynamic volume SPANNED" : "dynamic volume RAID5"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find(c.fat ? ", FAT32," : ", NTFS,"), std::string::npos) << output;
    EXPECT_NE(output.find(reference.substr(0, reference.find(" failed") + 7)), std::string::npos)
        << output << "\nreference: " << reference;

    const auto folderOf = [](const fs::path& out) {
        std::vector<fs::path> made;
        for (const auto& e : fs::directory_iterator(out)) made.push_back(e.path());
        return made.size() == 1 ? made[0] : fs::path();
    };
    const std::map<std::string, std::string> want = SavedFiles(folderOf(dir / "reference"));
    const std::map<std::string, std::string> got = SavedFiles(folderOf(dir / "assembled"));
    EXPECT_EQ(got, want);
    std::set<std::string> hashes;
    for (const auto& [path, hash] : got) hashes.insert(hash);
    for (const std::string& hash : expected) EXPECT_TRUE(hashes.count(hash)) << "missing deleted file " << hash;
}

INSTANTIATE_TEST_SUITE_P(Volumes, DynamicVolumeE2E,
                         testing::Values(Case{"fat32", true, 0x0B, Layout::Spanned, -1},
                                         Case{"ntfs_tree_c512", false, 0x07, Layout::Spanned, -1},
                                         Case{"fat32", true, 0x0B, Layout::Raid5, 0},
                                         Case{"ntfs_tree_c512", false, 0x07, Layout::Raid5, 1}),
                         [](const testing::TestParamInfo<Case>& info) {
                             std::string name =
                                 std::string(info.param.fixture) +
                                 (info.param.layout == Layout::Spanned ? "_spanned" : "_raid5_without_member_") +
                                 (info.param.missing >= 0 ? std::to_string(info.param.missing) : "");
                             return name;
                         });

TEST(DynamicVolumeHarness, VolumesListsTheAssembledVolumeAndRefusesTooFewMembers)
{
    testsupport::TempDir dir;
    const std::vector<uint8_t> volume = Unpacked("fat32");
    uint64_t sectors = 0;
    const Case c{"fat32", true, 0x0B, Layout::Spanned, -1};
    const std::vector<std::string> images = BuildMembers(c, volume, dir.path(), &sectors);
    int code = -1;
    const std::string listing = Shell(
        "SALVIX_DISKS='" + images[0] + ":" + images[1] + "' SALVIX_DRIVES= '" SALVIX_E2E_HARNESS "' volumes", &code);
    ASSERT_EQ(code, 0) << listing;
    // The whole volume, not the window of either member's partition entry.
    EXPECT_NE(listing.find("*\tFAT32\t" + std::to_string(sectors * 512) + "\t"), std::string::npos) << listing;

    // A RAID-5 volume with two of three members missing is refused: no dynamic volume, a clear error.
    const Case raid{"fat32", true, 0x0B, Layout::Raid5, 0};
    testsupport::TempDir other;
    std::vector<std::string> members = BuildMembers(raid, volume, other.path(), &sectors);
    members.pop_back();
    members.push_back(members.front()); // the same disk twice is still one member
    const std::string refused = Deleted(members, other / "out", &code);
    EXPECT_EQ(code, 1) << refused;
    EXPECT_NE(refused.find("no dynamic volume"), std::string::npos) << refused;
}
