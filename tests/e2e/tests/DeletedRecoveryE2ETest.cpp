// End to end through salvix-e2e on the fixture images: every deleted file the manifest holds to its bytes
// comes back byte-exact under its own name with its modification time, and a second run into the same folder
// makes a numbered folder and changes nothing of the first.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using testsupport::ManifestKind;
using Manifest = ManifestKind;
using Expected = testsupport::ExpectedFile;
using testsupport::FixturePath;

struct Fixture {
    const char* name;
    Manifest manifest;
};

using e2e::HarnessRun;

// environment: assignments put before the command ("TZ=Europe/Berlin ").
HarnessRun Harness(const fs::path& image, const fs::path& outdir, const std::string& environment = "")
{
    return e2e::RunHarness("deleted", image, outdir, environment);
}

std::map<std::string, testsupport::SavedFile> Saved(const fs::path& folder)
{
    return testsupport::SavedFiles(folder);
}

std::vector<fs::path> Entries(const fs::path& folder)
{
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

int SavedCount(const std::string& output)
{
    int saved = -1, failed = -1;
    if (std::sscanf(output.c_str(), "saved %d files, %d failed", &saved, &failed) != 2 || failed != 0) return -1;
    return saved;
}

class DeletedRecovery : public testing::TestWithParam<Fixture> {};

} // namespace

TEST_P(DeletedRecovery, DeletedFilesComeBackExactAndASecondRunOverwritesNothing)
{
    const Fixture& fixture = GetParam();
    const std::vector<Expected> expected = testsupport::DeletedFileExpectations(fixture.name, fixture.manifest);
    ASSERT_FALSE(expected.empty());

    testsupport::TempDir dir;
    const fs::path image = dir / "volume.img";
    ASSERT_EQ(
        std::system(
            ("xz -dc '" + FixturePath(std::string(fixture.name) + ".img.xz") + "' > '" + image.string() + "'").c_str()),
        0);
    const fs::path out = dir / "recovered";

    const HarnessRun first = Harness(image, out);
    ASSERT_EQ(first.exitCode, 0) << first.output;
    const int count = SavedCount(first.output);
    ASSERT_GE(count, int(expected.size())) << first.output;
    const std::vector<fs::path> made = Entries(out);
    ASSERT_EQ(made.size(), 1u);
    const std::map<std::string, testsupport::SavedFile> saved = Saved(made[0]);
    EXPECT_EQ(int(saved.size()), count);
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.path);
        auto found = saved.find(e.path);
        ASSERT_NE(found, saved.end()) << first.output;
        EXPECT_EQ(found->second.sha256, e.sha256);
        EXPECT_EQ(found->second.mtime, e.mtime);
        EXPECT_EQ(found->second.mtimeNs, e.mtimeNs);
    }

    const HarnessRun second = Harness(image, out);
    ASSERT_EQ(second.exitCode, 0) << second.output;
    EXPECT_EQ(SavedCount(second.output), count);
    const std::vector<fs::path> both = Entries(out);
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], made[0]);
    EXPECT_EQ(both[1].filename().string(), made[0].filename().string() + "_000");
    // The first run's files are the same files with the same bytes and times; the second run's are copies.
    const std::map<std::string, testsupport::SavedFile> again = Saved(made[0]);
    ASSERT_EQ(again.size(), saved.size());
    for (const auto& [path, file] : saved) {
        SCOPED_TRACE(path);
        EXPECT_EQ(again.at(path).inode, file.inode);
        EXPECT_EQ(again.at(path).sha256, file.sha256);
        EXPECT_EQ(again.at(path).mtime, file.mtime);
    }
    const std::map<std::string, testsupport::SavedFile> copies = Saved(both[1]);
    ASSERT_EQ(copies.size(), saved.size());
    for (const auto& [path, file] : saved)
        EXPECT_EQ(copies.count(path) ? copies.at(path).sha256 : "", file.sha256) << path;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DeletedRecovery,
                         testing::Values(Fixture{"fat12", Manifest::Fat}, Fixture{"fat16", Manifest::Fat},
                                         Fixture{"fat32", Manifest::Fat}, Fixture{"ext2-1k", Manifest::Ext2},
                                         Fixture{"ext2-4k", Manifest::Ext2}, Fixture{"ext3-1k", Manifest::Ext2},
                                         Fixture{"ext3-4k", Manifest::Ext2}, Fixture{"ntfs_tree_c4k", Manifest::Ntfs},
                                         Fixture{"ntfs_tree_c512", Manifest::Ntfs},
                                         Fixture{"ntfs_tree_4kn", Manifest::Ntfs},
                                         Fixture{"ntfs_compressed_c4k", Manifest::Ntfs},
                                         Fixture{"ntfs_compressed_c512", Manifest::Ntfs}),
                         [](const testing::TestParamInfo<Fixture>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// FAT keeps the wall-clock time of the machine that wrote a file (the fixtures were written at UTC), ext2 and
// NTFS the moment itself: saved under another time zone, a FAT file's time is that wall clock there, the others'
// are unchanged.
TEST(DeletedRecoveryHarness, SavedTimesFollowTheTimeZoneOnlyForFat)
{
    struct Zone {
        const char* tz;
        int64_t fatShift; // seconds the FAT times move by, in March 2021
    };
    const Zone zones[] = {{"UTC", 0}, {"Europe/Berlin", -3600}, {"America/New_York", 5 * 3600}};
    const Fixture fixtures[] = {
        {"fat16", Manifest::Fat}, {"ext2-1k", Manifest::Ext2}, {"ntfs_tree_c4k", Manifest::Ntfs}};
    for (const Fixture& fixture : fixtures) {
        testsupport::TempDir dir;
        const fs::path image = dir / "volume.img";
        ASSERT_EQ(std::system(
                      ("xz -dc '" + FixturePath(std::string(fixture.name) + ".img.xz") + "' > '" + image.string() + "'")
                          .c_str()),
                  0);
        const std::vector<Expected> expected = testsupport::DeletedFileExpectations(fixture.name, fixture.manifest);
        ASSERT_FALSE(expected.empty());
        for (const Zone& zone : zones) {
            SCOPED_TRACE(std::string(fixture.name) + " in " + zone.tz);
            const fs::path out = dir / zone.tz;
            const HarnessRun run = Harness(image, out, std::string("TZ=") + zone.tz + " ");
            ASSERT_EQ(run.exitCode, 0) << run.output;
            const std::vector<fs::path> made = Entries(out);
            ASSERT_EQ(made.size(), 1u);
            const std::map<std::string, testsupport::SavedFile> saved = Saved(made[0]);
            const int64_t shift = fixture.manifest == Manifest::Fat ? zone.fatShift : 0;
            for (const Expected& e : expected) {
                auto found = saved.find(e.path);
                ASSERT_NE(found, saved.end()) << e.path;
                EXPECT_EQ(found->second.mtime, e.mtime + shift) << e.path;
            }
        }
    }
}

TEST(DeletedRecoveryHarness, BadImagesAndCommandLinesGiveClearErrors)
{
    testsupport::TempDir dir;
    const HarnessRun missing = Harness(dir / "no-such.img", dir / "out");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.output.find("cannot open the image"), std::string::npos) << missing.output;

    {
        std::ofstream zeros(dir / "zeros.img", std::ios::binary);
        const std::string block(1 << 16, '\0');
        zeros.write(block.data(), std::streamsize(block.size()));
    }
    const HarnessRun blank = Harness(dir / "zeros.img", dir / "out");
    EXPECT_EQ(blank.exitCode, 1);
    EXPECT_NE(blank.output.find("no NTFS, FAT or ext2 file system"), std::string::npos) << blank.output;

    {
        std::ofstream tiny(dir / "tiny.img", std::ios::binary);
        tiny.write("x", 1);
    }
    EXPECT_EQ(Harness(dir / "tiny.img", dir / "out").exitCode, 1);

    // A FAT boot sector whose tables are garbage: refused, not a crash.
    {
        std::string sector(1 << 16, '\0');
        sector[0x0B] = 0x00;
        sector[0x0C] = 0x02;       // 512 bytes per sector
        sector[0x0D] = 1;          // sectors per cluster
        sector[0x0E] = 1;          // reserved sectors
        sector[0x10] = 2;          // FATs
        sector[0x13] = char(0x80); // 128 sectors
        sector[0x16] = 1;          // sectors per FAT
        sector[510] = 0x55;
        sector[511] = char(0xAA);
        std::ofstream bad(dir / "bad.img", std::ios::binary);
        bad.write(sector.data(), std::streamsize(sector.size()));
    }
    const HarnessRun bad = Harness(dir / "bad.img", dir / "out");
    EXPECT_TRUE(bad.exitCode == 0 || bad.exitCode == 1) << bad.output;
    EXPECT_FALSE(fs::exists(dir / "out") && !fs::is_empty(dir / "out") && bad.exitCode == 1);

    EXPECT_EQ(std::system(("'" + std::string(SALVIX_E2E_HARNESS) + "' >/dev/null 2>&1").c_str()) >> 8, 2);
}

TEST(DeletedRecoveryHarness, AnImageCutShortIsStillReadAndSaysSo)
{
    testsupport::TempDir dir;
    const fs::path image = dir / "cut.img";
    ASSERT_EQ(std::system(("xz -dc '" + FixturePath("ext2-1k.img.xz") + "' > '" + image.string() + "'").c_str()), 0);
    fs::resize_file(image, fs::file_size(image) - 1024);
    const HarnessRun run = Harness(image, dir / "out");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("the source is shorter than its file system"), std::string::npos) << run.output;
    const size_t counts = run.output.find("saved ");
    ASSERT_NE(counts, std::string::npos) << run.output;
    EXPECT_GT(SavedCount(run.output.substr(counts)), 0) << run.output;
}

namespace {

struct CutFile {
    std::string path;
    uint64_t size = 0;
    uint64_t offset = 0; // of its first cluster in the image; each file is one contiguous run
};

std::vector<CutFile> CutManifest(const std::string& name)
{
    std::vector<CutFile> files;
    std::ifstream in(FixturePath(name));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string state, path, size, sha, offset;
        std::getline(fields, state, '\t');
        std::getline(fields, path, '\t');
        std::getline(fields, size, '\t');
        std::getline(fields, sha, '\t');
        std::getline(fields, offset, '\t');
        if (state == "deleted") files.push_back({path, std::stoull(size), std::stoull(offset)});
    }
    return files;
}

std::string ReadBytes(const fs::path& file, uint64_t offset, uint64_t count)
{
    std::ifstream in(file, std::ios::binary);
    in.seekg(std::streamoff(offset));
    std::string bytes(count, '\0');
    in.read(bytes.data(), std::streamsize(count));
    bytes.resize(size_t(in.gcount()));
    return bytes;
}

} // namespace

// A FAT32 image cut inside a deleted 5,000,000-byte file, with six deleted files wholly past the cut: the file
// cut comes back at its full size, what the image still holds byte for byte and the rest as zeros, counted as
// partial with the missing bytes told (an NTFS file cut the same way too); the files past the cut, of which no
// byte is left, are not saved, with that reason. Cut before the root folder, nothing is found, and that is an
// error, not "saved 0 files" with success.
TEST(DeletedRecoveryHarness, ImagesCutShortSaveWhatIsLeftAndCountWhatIsMissing)
{
    testsupport::TempDir dir;
    const fs::path whole = dir / "whole.img";
    ASSERT_EQ(std::system(("xz -dc '" + FixturePath("fat32-cut.img.xz") + "' > '" + whole.string() + "'").c_str()), 0);
    const std::vector<CutFile> files = CutManifest("fat32-cut.manifest");
    ASSERT_EQ(files.size(), 7u);

    const uint64_t cut = 3 << 20;
    const fs::path image = dir / "cut.img";
    fs::copy_file(whole, image);
    fs::resize_file(image, cut);
    const HarnessRun run = Harness(image, dir / "out");
    EXPECT_EQ(run.exitCode, 3) << run.output;
    EXPECT_NE(run.output.find("the source is shorter than its file system: 3145728 of 41943040 bytes"),
              std::string::npos)
        << run.output;
    // A file wholly past the end has no byte to give: it is not saved. The others come back at their size.
    uint64_t missing = 0;
    int kept = 0, partial = 0;
    for (const CutFile& f : files) {
        if (f.offset >= cut) continue;
        ++kept;
        partial += f.offset + f.size > cut ? 1 : 0;
        missing += std::max<uint64_t>(f.offset + f.size, cut) - cut;
    }
    ASSERT_GT(kept, 0);
    ASSERT_LT(kept, 7);
    EXPECT_NE(run.output.find("saved " + std::to_string(kept) + " files, " + std::to_string(7 - kept) + " failed\n" +
                              std::to_string(partial) + " files with unreadable parts (" + std::to_string(missing) +
                              " bytes)\nnot saved: no byte of it could be read from the source\n"),
              std::string::npos)
        << run.output;

    const fs::path saved = dir / "out" / "FAT32 1";
    for (const CutFile& f : files) {
        SCOPED_TRACE(f.path);
        // Deleted short names lose their first letter; long names keep it.
        fs::path name = saved / f.path.substr(1);
        if (!fs::exists(name)) name = saved / ("#" + f.path.substr(2));
        if (f.offset >= cut) {
            EXPECT_FALSE(fs::exists(name));
            continue;
        }
        ASSERT_TRUE(fs::exists(name));
        ASSERT_EQ(fs::file_size(name), f.size);
        const uint64_t inside = std::min(f.size, cut - f.offset);
        EXPECT_TRUE(ReadBytes(name, 0, inside) == ReadBytes(whole, f.offset, inside));
        EXPECT_EQ(ReadBytes(name, inside, f.size - inside), std::string(f.size - inside, '\0'));
    }

    // NTFS the same: ntfs_small's deleted.bin (9000 bytes) starts at byte 1716224; cut 4096 bytes into it.
    const fs::path ntfs = dir / "ntfs.img";
    ASSERT_EQ(std::system(("xz -dc '" + FixturePath("ntfs_small.img.xz") + "' > '" + ntfs.string() + "'").c_str()), 0);
    const std::string ntfsFile = ReadBytes(ntfs, 1716224, 9000);
    fs::resize_file(ntfs, 1716224 + 4096);
    const HarnessRun cutNtfs = Harness(ntfs, dir / "out-ntfs");
    EXPECT_EQ(cutNtfs.exitCode, 3) << cutNtfs.output;
    EXPECT_NE(cutNtfs.output.find("saved 1 files, 0 failed\n1 files with unreadable parts (4904 bytes)"),
              std::string::npos)
        << cutNtfs.output;
    EXPECT_TRUE(ReadBytes(dir / "out-ntfs" / "NTFS 1" / "Docs" / "deleted.bin", 0, 9000) ==
                ntfsFile.substr(0, 4096) + std::string(4904, '\0'));

    const fs::path early = dir / "early.img";
    fs::copy_file(whole, early);
    fs::resize_file(early, 600 << 10);
    const HarnessRun none = Harness(early, dir / "out-early");
    EXPECT_EQ(none.exitCode, 1) << none.output;
    EXPECT_NE(none.output.find("the source is shorter than its file system"), std::string::npos) << none.output;
    EXPECT_NE(none.output.find("saved 0 files, 0 failed"), std::string::npos) << none.output;
}
