// End to end through `salvix-e2e format`: a JPEG, a PNG, a ZIP and a PDF lie in free space when a FAT32, NTFS or
// ext2 volume is quick-formatted over them (mkfs.fat, mkntfs -Q, mke2fs), on 512- and 4096-byte sectors. Only the
// signature scan finds them, and the partition's tree is all the user sees, so each must come back byte-exact under
// the partition's "Raw Files", exactly once. A live file written into the new volume afterwards (and on FAT and
// ext2 a deleted one) comes back once too, from the partition's own tree, and never again from "Raw Files".
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::FixturePath;

struct Volume {
    const char* name;
    int sectorSize;
    int mebibytes;      // FAT32 on 4096-byte sectors needs 65,525 clusters
    const char* format; // %s: the image
    const char* write;  // %1$s: the image, %2$s: the live file, %3$s: the file deleted again (debugfs: no quotes)
};

const Volume kVolumes[] = {
    {"FAT32", 512, 48, "mkfs.fat -F 32 -S 512 -s 1 '%s'",
     "mcopy -i '%1$s' '%2$s' ::/LIVE.JPG && mcopy -i '%1$s' '%3$s' ::/GONE.GIF && mdel -i '%1$s' ::/GONE.GIF"},
    {"FAT32", 4096, 272, "mkfs.fat -F 32 -S 4096 -s 1 '%s'",
     "mcopy -i '%1$s' '%2$s' ::/LIVE.JPG && mcopy -i '%1$s' '%3$s' ::/GONE.GIF && mdel -i '%1$s' ::/GONE.GIF"},
    {"NTFS", 512, 48, "mkntfs -Q -F -q -s 512 -c 4096 -p 0 -H 0 -S 0 '%s'", "ntfscp -q '%1$s' '%2$s' live.jpg"},
    {"NTFS", 4096, 48, "mkntfs -Q -F -q -s 4096 -c 4096 -p 0 -H 0 -S 0 '%s'", "ntfscp -q '%1$s' '%2$s' live.jpg"},
    {"ext2", 512, 48, "mke2fs -q -F -t ext2 -b 4096 -E nodiscard '%s'",
     "debugfs -w -R \"write %2$s live.jpg\" '%1$s' && debugfs -w -R \"write %3$s gone.gif\" '%1$s' && "
     "debugfs -w -R 'rm gone.gif' '%1$s'"},
    {"ext2", 4096, 48, "mke2fs -q -F -t ext2 -b 4096 -E nodiscard '%s'",
     "debugfs -w -R \"write %2$s live.jpg\" '%1$s' && debugfs -w -R \"write %3$s gone.gif\" '%1$s' && "
     "debugfs -w -R 'rm gone.gif' '%1$s'"},
};

// Real files of other programs (tests/fixtures/raw), each laid 1 MiB apart from 36 MiB on: past where the three
// formatters put their metadata on a 48 MiB volume.
const char* const kHidden[] = {"raw/photo/jfif.jpg", "raw/graphics/plasma.png", "raw/office/plain.zip",
                               "raw/text/doc.pdf"};
constexpr long kHiddenFirstMiB = 36;

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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

std::string Format(const char* pattern, const std::string& a, const std::string& b = {}, const std::string& c = {})
{
    std::vector<char> text(4096);
    std::snprintf(text.data(), text.size(), pattern, a.c_str(), b.c_str(), c.c_str());
    return text.data();
}

void PrintTo(const Volume& v, std::ostream* os)
{
    *os << v.name << " on " << v.sectorSize << "-byte sectors";
}

bool HaveTools()
{
    return std::system("command -v mkfs.fat mcopy mdel mkntfs ntfscp mke2fs debugfs >/dev/null 2>&1") == 0;
}

} // namespace

class PartitionRawFilesE2E : public ::testing::TestWithParam<Volume> {};

TEST_P(PartitionRawFilesE2E, FilesInFreeSpaceOfAQuickFormattedVolumeComeBackOnceUnderRawFiles)
{
    if (!HaveTools()) GTEST_SKIP() << "needs dosfstools, mtools, ntfs-3g and e2fsprogs (tools/setup.sh)";
    const Volume& v = GetParam();
    const fs::path live = FixturePath("raw/photo/exif.jpg");
    const fs::path gone = FixturePath("raw/graphics/circle.gif");
    testsupport::TempDir dir;
    const fs::path image = dir / "volume.img";
    const fs::path out = dir / "out";
    {
        std::ofstream(image, std::ios::binary).close();
        fs::resize_file(image, uintmax_t(v.mebibytes) << 20);
        std::fstream io(image, std::ios::binary | std::ios::in | std::ios::out);
        long mib = kHiddenFirstMiB;
        for (const char* hidden : kHidden) {
            const std::string bytes = ReadAll(FixturePath(hidden));
            io.seekp(std::streamoff(mib++) << 20);
            io.write(bytes.data(), std::streamsize(bytes.size()));
        }
    }
    ASSERT_EQ(std::system((Format(v.format, image.string()) + " >/dev/null 2>&1").c_str()), 0);
    ASSERT_EQ(std::system(
                  ("(" + Format(v.write, image.string(), live.string(), gone.string()) + ") >/dev/null 2>&1").c_str()),
              0);
    // The formatter and the writes left the hidden files where they were.
    {
        std::ifstream in(image, std::ios::binary);
        long mib = kHiddenFirstMiB;
        for (const char* hidden : kHidden) {
            const std::string bytes = ReadAll(FixturePath(hidden));
            std::string there(bytes.size(), '\0');
            in.seekg(std::streamoff(mib++) << 20);
            in.read(there.data(), std::streamsize(there.size()));
            ASSERT_EQ(there, bytes) << hidden << " was overwritten; the test needs another place";
        }
    }

    const e2e::HarnessRun run =
        e2e::RunHarness("format", image, out, "SALVIX_E2E_SECTOR_SIZE=" + std::to_string(v.sectorSize));
    EXPECT_EQ(run.exitCode, 0) << run.output;

    // Saved files by content: where each came back.
    std::multimap<std::string, std::string> placesOf;
    if (fs::is_directory(out))
        for (const auto& entry : fs::recursive_directory_iterator(out))
            if (entry.is_regular_file())
                placesOf.emplace(Sha256(entry.path()), fs::relative(entry.path(), out).string());
    for (const char* hidden : kHidden) {
        const auto [from, to] = placesOf.equal_range(Sha256(FixturePath(hidden)));
        EXPECT_EQ(std::distance(from, to), 1) << hidden << "\n" << run.output;
        for (auto it = from; it != to; ++it) EXPECT_NE(it->second.find("/Raw Files/"), std::string::npos) << it->second;
    }
    // The partition's own files come back from its tree, and never a second time from "Raw Files".
    for (const fs::path& file : {live, gone}) {
        const auto [from, to] = placesOf.equal_range(Sha256(file));
        EXPECT_LE(std::distance(from, to), 1) << file << "\n" << run.output;
        for (auto it = from; it != to; ++it) EXPECT_EQ(it->second.find("/Raw Files/"), std::string::npos) << it->second;
    }
    EXPECT_EQ(placesOf.count(Sha256(live)), 1u) << run.output;
}

INSTANTIATE_TEST_SUITE_P(Volumes, PartitionRawFilesE2E, ::testing::ValuesIn(kVolumes),
                         [](const ::testing::TestParamInfo<Volume>& info) {
                             return std::string(info.param.name) + "_" + std::to_string(info.param.sectorSize);
                         });
