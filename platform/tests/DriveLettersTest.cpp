// Drive letters from a fake sysfs tree and mountinfo, and from SALVIX_DRIVES.
#include "platform/DriveLetters.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

void AddDisk(const fs::path& sys, const std::string& name, unsigned minor)
{
    WriteText(sys / name / "size", "100000\n");
    WriteText(sys / name / "dev", "8:" + std::to_string(minor) + "\n");
}

void AddPartition(const fs::path& sys, const std::string& disk, const std::string& name, int number, uint64_t start,
                  uint64_t size, unsigned minor)
{
    const fs::path p = sys / disk / name;
    WriteText(p / "partition", std::to_string(number) + "\n");
    WriteText(p / "start", std::to_string(start) + "\n");
    WriteText(p / "size", std::to_string(size) + "\n");
    WriteText(p / "dev", "8:" + std::to_string(minor) + "\n");
}

bool NoFileSystem(const std::string&)
{
    return false;
}

bool AlwaysFileSystem(const std::string&)
{
    return true;
}

} // namespace

TEST(DriveLetters, FloppiesThenVolumesInDiskAndPartitionOrder)
{
    testsupport::TempDir dir;
    const fs::path sys = dir / "block";
    WriteText(sys / "fd0" / "size", "2880\n");
    WriteText(sys / "fd0" / "dev", "2:0\n");
    AddDisk(sys, "sda", 0);
    AddPartition(sys, "sda", "sda2", 2, 4096, 20000, 2);
    AddPartition(sys, "sda", "sda1", 1, 2048, 2048, 1);
    AddPartition(sys, "sda", "sda3", 3, 30000, 2, 3); // extended container: no volume
    AddPartition(sys, "sda", "sda5", 5, 30002, 5000, 5);
    AddDisk(sys, "sdb", 16); // unpartitioned, holds a file system
    AddDisk(sys, "sdc", 32); // unpartitioned, empty, not mounted
    WriteText(dir / "mountinfo", "21 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                 "30 21 8:5 /sub /srv/bind rw - ext4 /dev/sda5 rw\n"
                                 "31 21 8:5 / /media/my\\040disk rw - vfat /dev/sda5 rw\n");

    plat::DriveSources src;
    src.sysBlockDir = sys.string();
    src.mountInfo = (dir / "mountinfo").string();
    src.holdsFileSystem = [](const std::string& path) { return path == "/dev/sdb"; };
    const auto drives = plat::DriveScan(src);

    struct Expected {
        char letter;
        const char* device;
        const char* disk;
        uint64_t startByte;
        const char* mount;
    };
    const Expected expected[] = {
        {'A', "/dev/fd0", "/dev/fd0", 0, ""},
        {'C', "/dev/sda1", "/dev/sda", 2048 * 512, ""},
        {'D', "/dev/sda2", "/dev/sda", 4096 * 512, "/"},
        {'E', "/dev/sda5", "/dev/sda", 30002ull * 512, "/media/my disk"},
        {'F', "/dev/sdb", "/dev/sdb", 0, ""},
    };
    ASSERT_EQ(drives.size(), std::size(expected));
    for (size_t i = 0; i < drives.size(); ++i) {
        SCOPED_TRACE(expected[i].letter);
        EXPECT_EQ(drives[i].letter, expected[i].letter);
        EXPECT_EQ(drives[i].devicePath, expected[i].device);
        EXPECT_EQ(drives[i].diskPath, expected[i].disk);
        EXPECT_EQ(drives[i].startByte, expected[i].startByte);
        EXPECT_EQ(drives[i].mountPoint, expected[i].mount);
    }
    EXPECT_TRUE(drives[0].floppy);
    EXPECT_EQ(drives[2].rdev, makedev(8, 2));
}

TEST(DriveLetters, LettersStopAtZ)
{
    testsupport::TempDir dir;
    const fs::path sys = dir / "block";
    AddDisk(sys, "sda", 0);
    for (int i = 1; i <= 30; ++i)
        AddPartition(sys, "sda", "sda" + std::to_string(i), i, 2048ull * i, 1000, static_cast<unsigned>(i));
    plat::DriveSources src;
    src.sysBlockDir = sys.string();
    src.mountInfo = (dir / "none").string();
    src.holdsFileSystem = AlwaysFileSystem;
    const auto drives = plat::DriveScan(src);
    ASSERT_EQ(drives.size(), 24u);
    EXPECT_EQ(drives.back().letter, 'Z');
    EXPECT_EQ(drives.back().devicePath, "/dev/sda24");
}

TEST(DriveLetters, OverrideReplacesTheAssignment)
{
    testsupport::TempDir dir;
    std::ofstream(dir / "c.img").close();
    plat::DriveSources src;
    src.sysBlockDir = "/nonexistent";
    src.holdsFileSystem = NoFileSystem;
    const std::string text =
        "e=" + (dir / "e.img").string() + ",C=" + (dir / "c.img").string() + ",bad,1=/x,C=/dup,A=/floppy.img";
    src.drivesOverride = text.c_str();
    const auto drives = plat::DriveScan(src);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].letter, 'A');
    EXPECT_TRUE(drives[0].floppy);
    EXPECT_EQ(drives[1].letter, 'C');
    EXPECT_EQ(drives[1].devicePath, (dir / "c.img").string());
    EXPECT_EQ(drives[1].diskPath, drives[1].devicePath);
    EXPECT_EQ(drives[1].rdev, 0u);
    EXPECT_EQ(drives[2].letter, 'E');
}

TEST(DriveLetters, PathsOfImageFilesAreOnNoDevice)
{
    testsupport::TempDir dir;
    std::ofstream(dir / "f").close();
    EXPECT_FALSE(plat::IsPathOnDevice((dir / "f").string(), (dir / "f").string()));
    EXPECT_FALSE(plat::IsPathOnDevice((dir / "missing").string(), "/dev/null"));
}
