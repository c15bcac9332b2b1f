// End to end through salvix-e2e over an image whose chosen sectors fail with EIO as a dying disk's do
// (SALVIX_E2E_BAD_SECTORS): one bad sector inside a deleted file costs exactly its 512 bytes of that file,
// which comes back partial, the run says how many sectors could not be read and exits 3; a long failing
// stretch is crossed; a list that is not one is refused.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<char>;

Bytes ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path Unpack(const testsupport::TempDir& dir, const std::string& fixture)
{
    const fs::path image = dir / (fixture + ".img");
    const std::string command =
        "xz -dc '" + testsupport::FixturePath(fixture + ".img.xz") + "' > '" + image.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return image;
}

// The first 512-byte sector of the image that starts with the given bytes.
uint64_t SectorHolding(const Bytes& image, const Bytes& start)
{
    for (size_t at = 0; at + start.size() <= image.size(); at += 512)
        if (std::equal(start.begin(), start.end(), image.begin() + long(at))) return at / 512;
    return UINT64_MAX;
}

// What a shell command printed (its first line), or empty when it failed.
std::string Shell(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char line[512];
        if (std::fgets(line, sizeof line, p)) out = line;
        if (::pclose(p) != 0) out.clear();
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// A little-endian field of the image.
uint64_t Field(const Bytes& image, size_t at, size_t size)
{
    uint64_t value = 0;
    for (size_t i = size; i-- > 0;) value = value << 8 | uint8_t(image.at(at + i));
    return value;
}

} // namespace

TEST(BadSectorsE2E, OneBadSectorInADeletedFileCostsExactlyItsBytes)
{
    testsupport::TempDir dir;
    const fs::path image = Unpack(dir, "fat32");
    const e2e::HarnessRun clean = e2e::RunHarness("deleted", image, dir / "clean");
    ASSERT_EQ(clean.exitCode, 0) << clean.output;
    // A deleted file of 3000 bytes: its second sector is made to fail.
    fs::path file;
    for (const auto& e : fs::recursive_directory_iterator(dir / "clean"))
        if (e.path().filename() == "#ELROOT.DAT") file = e.path(); // FAT keeps no first letter of a deleted name
    ASSERT_FALSE(file.empty());
    const Bytes original = ReadAll(file);
    ASSERT_EQ(original.size(), 3000u);
    const uint64_t first = SectorHolding(ReadAll(image), Bytes(original.begin(), original.begin() + 512));
    ASSERT_NE(first, UINT64_MAX);

    const std::string bad = "SALVIX_E2E_BAD_SECTORS=" + std::to_string(first + 1) + " ";
    const e2e::HarnessRun run = e2e::RunHarness("deleted", image, dir / "bad", bad);
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("1 files with unreadable parts (512 bytes)"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("1 sectors could not be read (512 bytes), 0 of them passed over unread"),
              std::string::npos)
        << run.output;
    Bytes expected = original;
    std::fill(expected.begin() + 512, expected.begin() + 1024, 0);
    const fs::path saved = dir / "bad" / fs::relative(file, dir / "clean");
    EXPECT_EQ(ReadAll(saved), expected);
    // Every other file is whole.
    for (const auto& e : fs::recursive_directory_iterator(dir / "clean")) {
        if (!e.is_regular_file() || e.path() == file) continue;
        EXPECT_EQ(ReadAll(dir / "bad" / fs::relative(e.path(), dir / "clean")), ReadAll(e.path())) << e.path();
    }
}

TEST(BadSectorsE2E, AFailingStretchIsCrossedInEveryMode)
{
    testsupport::TempDir dir;
    const fs::path image = Unpack(dir, "fat32");
    const uint64_t sectors = fs::file_size(image) / 512;
    // 10,000 sectors from the middle of the image (or as many as it has), in the raw and the format modes.
    const uint64_t from = sectors / 4, to = std::min(sectors - 1, from + 9999);
    const std::string bad = "SALVIX_E2E_BAD_SECTORS=" + std::to_string(from) + "-" + std::to_string(to) + " ";
    for (const char* mode : {"raw", "format"}) {
        SCOPED_TRACE(mode);
        const e2e::HarnessRun run = e2e::RunHarnessCommand(
            std::string(mode) + " '" + image.string() + "' '" + (dir / mode).string() + "'", bad, 120);
        EXPECT_EQ(run.exitCode == 3 || run.exitCode == 1, true) << run.output;
        unsigned long long lost = 0, bytes = 0, skipped = 0;
        const size_t at = run.output.find(" sectors could not be read");
        ASSERT_NE(at, std::string::npos) << run.output;
        const size_t line = run.output.rfind('\n', at);
        ASSERT_EQ(std::sscanf(run.output.c_str() + (line == std::string::npos ? 0 : line + 1),
                              "%llu sectors could not be read (%llu bytes), %llu of them passed over unread", &lost,
                              &bytes, &skipped),
                  3)
            << run.output;
        EXPECT_GE(lost, to - from + 1);
        EXPECT_LT(lost, 2 * (to - from + 1));
        EXPECT_GT(skipped, 0u);
    }
}

TEST(BadSectorsE2E, SectorsLostInTheFileSystemOrTheSearchAreToldInEveryMode)
{
    // Two sectors of what the tree build reads (the first FAT, MFT records, the inode table) and the start of a
    // disk whose partitions the search looks for: the builds and the search read on worker threads, and what
    // they could not read is told and keeps the run from exiting 0 like any other loss.
    testsupport::TempDir dir;
    struct Case {
        const char* fixture;
        uint64_t (*badSector)(const Bytes& image);
        std::vector<std::string> modes;
    };
    const Case cases[] = {
        {"fat32", [](const Bytes& b) { return Field(b, 14, 2) + 8; }, {"deleted", "lost"}},
        {"ntfs_tree_c512",
         [](const Bytes& b) { return Field(b, 0x30, 8) * Field(b, 13, 1) + 30; },
         {"deleted", "lost"}},
        {"ext2-1k", [](const Bytes& b) { return Field(b, 2048 + 8, 4) * 2 + 12; }, {"deleted", "lost"}},
        {"lost-disk", [](const Bytes&) { return uint64_t(0); }, {"partitions"}},
    };
    for (const Case& c : cases) {
        const fs::path image = Unpack(dir, c.fixture);
        const uint64_t bad = c.badSector(ReadAll(image));
        const std::string range = std::to_string(bad) + "-" + std::to_string(bad + (bad == 0 ? 99 : 1));
        for (const std::string& mode : c.modes) {
            SCOPED_TRACE(std::string(c.fixture) + " " + mode + " " + range);
            const std::string paths = "'" + image.string() + "'" +
                                      (mode == "partitions" ? "" : " '" + (dir / (c.fixture + mode)).string() + "'");
            const e2e::HarnessRun run =
                e2e::RunHarnessCommand(mode + " " + paths, "SALVIX_E2E_BAD_SECTORS=" + range, 60);
            EXPECT_EQ(run.exitCode, 3) << run.output;
            EXPECT_NE(run.output.find(" sectors could not be read ("), std::string::npos) << run.output;
        }
    }
}

TEST(BadSectorsE2E, AListThatIsNoneIsRefused)
{
    testsupport::TempDir dir;
    const e2e::HarnessRun run = e2e::RunHarness("deleted", dir / "x.img", dir / "out", "SALVIX_E2E_BAD_SECTORS=12-3 ");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("SALVIX_E2E_BAD_SECTORS"), std::string::npos) << run.output;
}

TEST(BadSectorsE2E, ADeviceMapperErrorTargetCostsExactlyItsSector)
{
    // The kernel's own failing device: a read-only loop device of the image with one sector mapped to the
    // device-mapper "error" target. Needs root and device-mapper, which not every machine has.
    if (::geteuid() != 0 || !fs::exists("/dev/mapper/control") || Shell("command -v dmsetup").empty() ||
        Shell("command -v losetup").empty())
        GTEST_SKIP() << "device-mapper is not available here (root, /dev/mapper/control, dmsetup and losetup are "
                        "needed); the same road runs through SALVIX_E2E_BAD_SECTORS above";
    testsupport::TempDir dir;
    const fs::path image = Unpack(dir, "fat32");
    const e2e::HarnessRun clean = e2e::RunHarness("deleted", image, dir / "clean");
    ASSERT_EQ(clean.exitCode, 0) << clean.output;
    fs::path file;
    for (const auto& e : fs::recursive_directory_iterator(dir / "clean"))
        if (e.path().filename() == "#ELROOT.DAT") file = e.path();
    ASSERT_FALSE(file.empty());
    const Bytes original = ReadAll(file);
    const uint64_t first = SectorHolding(ReadAll(image), Bytes(original.begin(), original.begin() + 512));
    ASSERT_NE(first, UINT64_MAX);

    const std::string loop = Shell("losetup -f --show -r '" + image.string() + "'");
    if (loop.empty()) GTEST_SKIP() << "no loop device can be made here";
    const uint64_t sectors = fs::file_size(image) / 512, bad = first + 1;
    const std::string name = "salvix-bad-" + std::to_string(::getpid());
    const std::string table = "0 " + std::to_string(bad) + " linear " + loop + " 0\n" + std::to_string(bad) +
                              " 1 error\n" + std::to_string(bad + 1) + " " + std::to_string(sectors - bad - 1) +
                              " linear " + loop + " " + std::to_string(bad + 1) + "\n";
    const bool made =
        std::system(("printf '" + table + "' | dmsetup create -r " + name + " >/dev/null 2>&1").c_str()) == 0;
    if (made) {
        const e2e::HarnessRun run = e2e::RunHarness("deleted", "/dev/mapper/" + name, dir / "bad");
        EXPECT_EQ(run.exitCode, 3) << run.output;
        EXPECT_NE(run.output.find("1 files with unreadable parts (512 bytes)"), std::string::npos) << run.output;
        Bytes expected = original;
        std::fill(expected.begin() + 512, expected.begin() + 1024, 0);
        EXPECT_EQ(ReadAll(dir / "bad" / fs::relative(file, dir / "clean")), expected);
        std::system(("dmsetup remove " + name + " >/dev/null 2>&1").c_str());
    }
    std::system(("losetup -d " + loop + " >/dev/null 2>&1").c_str());
    if (!made) GTEST_SKIP() << "the device-mapper table could not be made here";
}
