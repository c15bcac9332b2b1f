// End to end through salvix-e2e on sources and targets that cannot be used: each is refused with its reason
// and an exit code that tells a good recovery from an empty or failed one.
#include "tests/e2e/tests/HarnessRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Outcome = e2e::HarnessRun;

// Runs the harness with a time limit, so a source that blocks fails the test instead of hanging it.
Outcome RunHarness(const std::string& arguments, const std::string& environment = "")
{
    return e2e::RunHarnessCommand(arguments, environment, 60);
}

std::string Quote(const std::string& s)
{
    return "'" + s + "'";
}

std::string FixturePath(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

// One primary partition of a made-up disk: its MBR type, where it lies in sectors, and the volume image filling it.
struct DiskPartition {
    uint8_t type;
    uint32_t start, sectors;
    std::string image;
};

// A disk of sectorSize-byte sectors: an MBR naming the two partitions, then the second right after the first.
void WriteTwoPartitionDisk(const std::string& path, uint32_t sectorSize, const DiskPartition& first,
                           const DiskPartition& second)
{
    std::string mbr(sectorSize, '\0');
    int slot = 0;
    for (const DiskPartition* p : {&first, &second}) {
        const size_t at = 0x1BE + size_t(slot++) * 16;
        mbr[at + 4] = char(p->type);
        for (int i = 0; i < 4; ++i) {
            mbr[at + 8 + i] = char(p->start >> (8 * i));
            mbr[at + 12 + i] = char(p->sectors >> (8 * i));
        }
    }
    mbr[510] = char(0x55);
    mbr[511] = char(0xAA);
    std::ofstream out(path, std::ios::binary);
    out.write(mbr.data(), std::streamsize(mbr.size()));
    out.seekp(std::streamoff(first.start) * sectorSize);
    std::ifstream a(first.image, std::ios::binary), b(second.image, std::ios::binary);
    out << a.rdbuf() << b.rdbuf();
}

// The FAT16 fixture unpacked: twelve deleted files of up to 9000 bytes, in nested folders.
std::string UnpackFat16(const testsupport::TempDir& dir)
{
    const std::string image = (dir / "fat16.img").string();
    if (std::system(("xz -dc " + Quote(FixturePath("fat16.img.xz")) + " > " + Quote(image)).c_str()) != 0) return {};
    return image;
}

// Runs the harness in a mount namespace of its own with a tmpfs mounted (with the given options) on folder;
// nullopt when this machine lets no unprivileged namespace be made.
std::optional<Outcome> RunOnTmpfs(const std::string& options, const fs::path& folder, const std::string& arguments)
{
    if (std::system(("unshare -rm sh -c 'mount -t tmpfs tmpfs " + folder.string() + "' >/dev/null 2>&1").c_str()) != 0)
        return std::nullopt;
    return RunHarness(arguments, "unshare -rm sh -c 'mount -t tmpfs -o " + options + " tmpfs \"$0\" && exec \"$@\"' " +
                                     Quote(folder.string()));
}

TEST(HonestResultsE2E, OddSourcesAreRefusedAtOnceWithTheirReason)
{
    testsupport::TempDir dir;
    const fs::path fifo = dir / "pipe.img";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(dir / "folder.img");
    const std::string out = (dir / "out").string();

    struct Case {
        std::string image;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {fifo.string(), "a FIFO, not a disk image"},
        {"/dev/null", "a character device, not a disk image"},
        {(dir / "folder.img").string(), "Is a directory"},
        {(dir / "missing.img").string(), "No such file or directory"},
    };
    for (const char* command : {"deleted", "raw"}) {
        for (const Case& c : cases) {
            const Outcome o = RunHarness(std::string(command) + " " + Quote(c.image) + " " + Quote(out));
            EXPECT_EQ(o.exitCode, 1) << command << " " << c.image << "\n" << o.output;
            EXPECT_NE(o.output.find("cannot open the image: " + std::string(c.reason)), std::string::npos)
                << command << " " << c.image << "\n"
                << o.output;
        }
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST(HonestResultsE2E, TargetsThatCannotBeUsedAreToldWithTheirReasonAndExitCode)
{
    testsupport::TempDir dir;
    const std::string image = UnpackFat16(dir);
    ASSERT_FALSE(image.empty());
    {
        std::ofstream file(dir / "file");
    }

    struct Case {
        std::string outdir;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", "the output folder is an empty path"},
        {(dir / "file" / "out").string(), "cannot make the output folder: Not a directory"},
        {(dir / "file").string(), "cannot make the output folder: Not a directory"},
    };
    for (const char* command : {"deleted", "raw"}) {
        for (const Case& c : cases) {
            if (std::string(command) == "raw" && !c.outdir.empty()) continue; // raw finds nothing to save here
            const Outcome o = RunHarness(std::string(command) + " " + Quote(image) + " " + Quote(c.outdir));
            EXPECT_EQ(o.exitCode, 1) << command << " '" << c.outdir << "'\n" << o.output;
            EXPECT_NE(o.output.find(c.message), std::string::npos) << command << " '" << c.outdir << "'\n" << o.output;
        }
    }
}

TEST(HonestResultsE2E, ReadOnlyAndFullTargets)
{
    testsupport::TempDir dir;
    const std::string image = UnpackFat16(dir);
    ASSERT_FALSE(image.empty());
    const fs::path mount = dir / "mount";
    fs::create_directories(mount);
    const std::string deleted = "deleted " + Quote(image) + " ";

    const std::optional<Outcome> readOnly = RunOnTmpfs("ro", mount, deleted + Quote(mount.string()));
    if (!readOnly) GTEST_SKIP() << "no mount namespace can be made here";
    EXPECT_EQ(readOnly->exitCode, 1) << readOnly->output;
    EXPECT_NE(readOnly->output.find("cannot write to the output folder: Read-only file system"), std::string::npos)
        << readOnly->output;
    const std::optional<Outcome> readOnlyBelow = RunOnTmpfs("ro", mount, deleted + Quote((mount / "a" / "b").string()));
    ASSERT_TRUE(readOnlyBelow);
    EXPECT_EQ(readOnlyBelow->exitCode, 1) << readOnlyBelow->output;
    EXPECT_NE(readOnlyBelow->output.find("cannot make the output folder: Read-only file system"), std::string::npos)
        << readOnlyBelow->output;

    // Two pages: a few of the twelve files fit, the rest fail for want of room.
    const std::optional<Outcome> full = RunOnTmpfs("size=8k", mount, deleted + Quote(mount.string()));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->exitCode, 3) << full->output;
    EXPECT_EQ(full->output.find("saved 0 files"), std::string::npos) << full->output;
    EXPECT_EQ(full->output.find(", 0 failed"), std::string::npos) << full->output;
    EXPECT_NE(full->output.find("not saved: No space left on device"), std::string::npos) << full->output;

    // No inode left after the top folder: nothing is saved.
    const std::optional<Outcome> noInodes = RunOnTmpfs("nr_inodes=2", mount, deleted + Quote(mount.string()));
    ASSERT_TRUE(noInodes);
    EXPECT_EQ(noInodes->exitCode, 1) << noInodes->output;
    EXPECT_NE(noInodes->output.find("saved 0 files"), std::string::npos) << noInodes->output;
    EXPECT_NE(noInodes->output.find("No space left on device"), std::string::npos) << noInodes->output;
}

TEST(HonestResultsE2E, AFullTargetIsToldWithItsReasonInEveryMode)
{
    // The FAT16 fixture for the modes that read file systems; for the signature search, two PSD pictures of
    // 18 and 19 KiB at sectors 8 and 100 of an image of zeros. A target of two pages holds none of them whole.
    testsupport::TempDir dir;
    const std::string fat = UnpackFat16(dir);
    ASSERT_FALSE(fat.empty());
    const std::string pictures = (dir / "pictures.img").string();
    {
        std::ofstream out(pictures, std::ios::binary);
        out << std::string(512 * 200, '\0');
        const char* names[] = {"raw.psd", "rle.psd"};
        const long sectors[] = {8, 100};
        for (int i = 0; i < 2; ++i) {
            std::ifstream in(FixturePath(std::string("raw/graphics/") + names[i]), std::ios::binary);
            out.seekp(sectors[i] * 512);
            out << in.rdbuf();
        }
    }
    const fs::path mount = dir / "mount";
    fs::create_directories(mount);
    for (const char* mode : {"deleted", "format", "lost", "raw"}) {
        SCOPED_TRACE(mode);
        const std::string image = std::string(mode) == "raw" ? pictures : fat;
        const std::optional<Outcome> full =
            RunOnTmpfs("size=8k", mount, std::string(mode) + " " + Quote(image) + " " + Quote(mount.string()));
        if (!full) GTEST_SKIP() << "no mount namespace can be made here";
        EXPECT_TRUE(full->exitCode == 3 || full->exitCode == 1) << full->output;
        EXPECT_NE(full->output.find("not saved: No space left on device"), std::string::npos) << full->output;
        EXPECT_EQ(full->output.find(", 0 failed"), std::string::npos) << full->output;
    }
}

TEST(HonestResultsE2E, VolumesTellTheSourcesThatCannotBeUsed)
{
    testsupport::TempDir dir;
    const std::string image = UnpackFat16(dir);
    ASSERT_FALSE(image.empty());
    fs::create_directories(dir / "folder");
    const std::string missing = (dir / "missing.img").string();
    const std::string folder = (dir / "folder").string();
    const std::string log = (dir / "salvix.log").string();

    const Outcome o = RunHarness(
        "volumes", "SALVIX_E2E_LOG=" + Quote(log) + " SALVIX_DISKS=" + Quote(missing + ":" + image + ":" + folder) +
                       " SALVIX_DRIVES=" + Quote("C=" + image + ",X,C=" + image + ",E=/dev/null"));
    EXPECT_EQ(o.exitCode, 0) << o.output;
    std::ifstream logFile(log);
    const std::string logged((std::istreambuf_iterator<char>(logFile)), std::istreambuf_iterator<char>());
    for (const std::string& told : {
             "SALVIX_DISKS: " + missing + ": the disk cannot be read: No such file or directory",
             "SALVIX_DISKS: " + folder + ": the disk cannot be read: Is a directory",
             std::string("SALVIX_DRIVES: \"X\" is not LETTER=PATH"),
             "SALVIX_DRIVES: \"C=" + image + "\": the letter is given twice",
             std::string("SALVIX_DRIVES: E=/dev/null: the volume cannot be read: a character device, not a disk image"),
         }) {
        EXPECT_NE(o.output.find(told), std::string::npos) << told << "\n" << o.output;
        EXPECT_NE(logged.find(told), std::string::npos) << told << "\n" << logged;
    }
    EXPECT_NE(o.output.find("\tFAT16\t"), std::string::npos) << o.output; // the usable image is still listed
    EXPECT_EQ(o.output.find("no readable disk"), std::string::npos) << o.output;

    const Outcome none = RunHarness("volumes", "SALVIX_DISKS=" + Quote(missing) + " SALVIX_DRIVES=");
    EXPECT_EQ(none.exitCode, 1) << none.output;
    EXPECT_NE(none.output.find("the disk cannot be read: No such file or directory"), std::string::npos) << none.output;
    EXPECT_NE(none.output.find("no readable disk was found"), std::string::npos) << none.output;
}

// The output of the harness on one image, from its "saved" line on (the folder it names left out).
std::string SavedLines(const std::string& output)
{
    std::string out;
    size_t at = output.find("saved ");
    if (at == std::string::npos) return out;
    const size_t end = output.find('\n', at);
    return output.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

TEST(HonestResultsE2E, WholeDiskImageRecoversEveryPartition)
{
    // An MBR disk with the FAT16 and ext2 fixtures as its two partitions, and an empty third slot type.
    testsupport::TempDir dir;
    const std::string fat = UnpackFat16(dir);
    ASSERT_FALSE(fat.empty());
    const std::string ext = (dir / "ext2.img").string();
    ASSERT_EQ(std::system(("xz -dc " + Quote(FixturePath("ext2-1k.img.xz")) + " > " + Quote(ext)).c_str()), 0);
    const uint32_t fatSectors = uint32_t(fs::file_size(fat) / 512), extSectors = uint32_t(fs::file_size(ext) / 512);
    const uint32_t fatStart = 2048, extStart = fatStart + fatSectors;
    const std::string disk = (dir / "disk.img").string();
    WriteTwoPartitionDisk(disk, 512, {0x06, fatStart, fatSectors, fat}, {0x83, extStart, extSectors, ext});
    const Outcome alone16 = RunHarness("deleted " + Quote(fat) + " " + Quote((dir / "alone16").string()));
    const Outcome alone2 = RunHarness("deleted " + Quote(ext) + " " + Quote((dir / "alone2").string()));
    ASSERT_EQ(alone16.exitCode, 0) << alone16.output;
    ASSERT_EQ(alone2.exitCode, 0) << alone2.output;

    const fs::path out = dir / "out";
    const Outcome whole = RunHarness("deleted " + Quote(disk) + " " + Quote(out.string()), "SALVIX_DRIVES=");
    EXPECT_EQ(whole.exitCode, 0) << whole.output;
    const size_t first = whole.output.find("partition 1: FAT16 \"DATA16\"");
    const size_t second = whole.output.find("partition 2: EXT2");
    ASSERT_NE(first, std::string::npos) << whole.output;
    ASSERT_NE(second, std::string::npos) << whole.output;
    // Each partition gives what its volume alone gives, into a folder of its own.
    EXPECT_EQ(SavedLines(whole.output.substr(first, second - first)), SavedLines(alone16.output)) << whole.output;
    EXPECT_EQ(SavedLines(whole.output.substr(second)), SavedLines(alone2.output)) << whole.output;
    EXPECT_EQ(SavedLines(alone16.output).find("saved 0 "), std::string::npos) << alone16.output;
    EXPECT_EQ(SavedLines(alone2.output).find("saved 0 "), std::string::npos) << alone2.output;
    EXPECT_FALSE(fs::is_empty(out / "partition 1"));
    EXPECT_FALSE(fs::is_empty(out / "partition 2"));
}

} // namespace

namespace {

// The fixture unpacked into dir; empty on failure.
std::string Unpack(const testsupport::TempDir& dir, const std::string& name)
{
    const std::string image = (dir / (name + ".img")).string();
    if (std::system(("xz -dc " + Quote(FixturePath(name + ".img.xz")) + " > " + Quote(image)).c_str()) != 0) return {};
    return image;
}

} // namespace

TEST(HonestResultsE2E, WholeDiskImageOf4096ByteSectorsRecoversEveryPartition)
{
    // An MBR disk of 4096-byte sectors (SALVIX_E2E_SECTOR_SIZE tells it) holding the NTFS volume made for such
    // disks and an ext2 volume of 4 KiB blocks; each gives what it gives alone.
    testsupport::TempDir dir;
    const std::string ntfs = Unpack(dir, "ntfs_tree_4kn"), ext = Unpack(dir, "ext2-4k");
    ASSERT_FALSE(ntfs.empty());
    ASSERT_FALSE(ext.empty());
    const uint32_t ntfsStart = 256, ntfsSectors = uint32_t(fs::file_size(ntfs) / 4096);
    const uint32_t extStart = ntfsStart + ntfsSectors, extSectors = uint32_t(fs::file_size(ext) / 4096);
    const std::string disk = (dir / "disk4k.img").string();
    WriteTwoPartitionDisk(disk, 4096, {0x07, ntfsStart, ntfsSectors, ntfs}, {0x83, extStart, extSectors, ext});
    const std::string env = "SALVIX_E2E_SECTOR_SIZE=4096";
    const Outcome aloneNtfs = RunHarness("deleted " + Quote(ntfs) + " " + Quote((dir / "alone-ntfs").string()), env);
    const Outcome aloneExt = RunHarness("deleted " + Quote(ext) + " " + Quote((dir / "alone-ext").string()), env);
    ASSERT_EQ(aloneNtfs.exitCode, 0) << aloneNtfs.output;
    ASSERT_EQ(aloneExt.exitCode, 0) << aloneExt.output;
    EXPECT_EQ(SavedLines(aloneNtfs.output).find("saved 0 "), std::string::npos) << aloneNtfs.output;
    EXPECT_EQ(SavedLines(aloneExt.output).find("saved 0 "), std::string::npos) << aloneExt.output;

    const fs::path out = dir / "out";
    const Outcome whole = RunHarness("deleted " + Quote(disk) + " " + Quote(out.string()), env);
    EXPECT_EQ(whole.exitCode, 0) << whole.output;
    const size_t first = whole.output.find("partition 1: NTFS");
    const size_t second = whole.output.find("partition 2: EXT2");
    ASSERT_NE(first, std::string::npos) << whole.output;
    ASSERT_NE(second, std::string::npos) << whole.output;
    EXPECT_EQ(SavedLines(whole.output.substr(first, second - first)), SavedLines(aloneNtfs.output)) << whole.output;
    EXPECT_EQ(SavedLines(whole.output.substr(second)), SavedLines(aloneExt.output)) << whole.output;
    EXPECT_FALSE(fs::is_empty(out / "partition 1"));
    EXPECT_FALSE(fs::is_empty(out / "partition 2"));

    // A GPT disk of 4096-byte sectors tells its sector size itself.
    const std::string gpt = Unpack(dir, "part-gpt-4k");
    ASSERT_FALSE(gpt.empty());
    const Outcome gptRun = RunHarness("deleted " + Quote(gpt) + " " + Quote((dir / "gpt").string()));
    EXPECT_EQ(gptRun.exitCode, 0) << gptRun.output;
    EXPECT_NE(gptRun.output.find("partition 1: FAT12 \"GPT4KFAT\""), std::string::npos) << gptRun.output;
    EXPECT_NE(gptRun.output.find("partition 2: EXT2 \"GPT4KEXT2\""), std::string::npos) << gptRun.output;
}
