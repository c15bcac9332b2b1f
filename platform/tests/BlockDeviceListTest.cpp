// The kernel's block devices from a fake sysfs tree: every kind of disk, its partitions, loop devices by
// their backing file, mount points, and what is left out.
#include "platform/DiskTable.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

void AddDisk(const fs::path& sys, const std::string& name, const std::string& dev, uint64_t sectors = 100000)
{
    WriteText(sys / name / "size", std::to_string(sectors) + "\n");
    WriteText(sys / name / "dev", dev + "\n");
}

void AddPartition(const fs::path& sys, const std::string& disk, const std::string& name, int number, uint64_t start,
                  uint64_t size, const std::string& dev)
{
    const fs::path p = sys / disk / name;
    WriteText(p / "partition", std::to_string(number) + "\n");
    WriteText(p / "start", std::to_string(start) + "\n");
    WriteText(p / "size", std::to_string(size) + "\n");
    WriteText(p / "dev", dev + "\n");
}

} // namespace

TEST(BlockDeviceList, EveryDiskKindWithItsPartitionsLoopFilesAndMounts)
{
    testsupport::TempDir dir;
    const fs::path sys = dir / "block";
    AddDisk(sys, "sda", "8:0");
    AddPartition(sys, "sda", "sda2", 2, 4096, 20000, "8:2");
    AddPartition(sys, "sda", "sda1", 1, 2048, 2048, "8:1");
    AddPartition(sys, "sda", "sda3", 3, 30000, 2, "8:3"); // an extended container: left out
    AddDisk(sys, "vda", "254:0");
    AddPartition(sys, "vda", "vda1", 1, 2048, 5000, "254:1");
    AddDisk(sys, "nvme0n1", "259:0");
    AddPartition(sys, "nvme0n1", "nvme0n1p1", 1, 2048, 9000, "259:1");
    AddDisk(sys, "mmcblk0", "179:0");
    AddPartition(sys, "mmcblk0", "mmcblk0p1", 1, 8192, 9000, "179:1");
    AddDisk(sys, "xvda", "202:0");
    AddDisk(sys, "md0", "9:0");
    AddDisk(sys, "dm-0", "253:0");
    AddDisk(sys, "loop0", "7:0");
    WriteText(sys / "loop0" / "loop" / "backing_file", "/home/me/images/disk.img\n");
    AddPartition(sys, "loop0", "loop0p1", 1, 2048, 4000, "259:9");
    AddDisk(sys, "loop1", "7:1"); // no backing file: unused
    AddDisk(sys, "sr0", "11:0");
    AddDisk(sys, "zram0", "252:0");
    AddDisk(sys, "ram0", "1:0");
    AddDisk(sys, "fd0", "2:0", 2880);
    AddDisk(sys, "nbd0", "43:0", 0); // an idle network block device
    WriteText(dir / "mountinfo", "21 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                 "40 21 259:9 / /mnt/my\\040image rw - vfat /dev/loop0p1 rw\n");

    plat::SysRoot root;
    root.sysBlockDir = sys.string();
    root.devDir = "/dev";
    root.mountInfo = (dir / "mountinfo").string();
    const auto devices = plat::ListBlockDevicesFrom(root);

    std::vector<std::string> names;
    for (const auto& d : devices) names.push_back(plat::BlockDeviceDisplayName(d));
    EXPECT_EQ(names,
              (std::vector<std::string>{"dm-0", "loop0: disk.img", "loop0p1: disk.img", "md0", "mmcblk0", "mmcblk0p1",
                                        "nvme0n1", "nvme0n1p1", "sda", "sda1", "sda2", "vda", "vda1", "xvda"}));
    auto find = [&](const std::string& name) -> const plat::BlockDeviceInfo& {
        for (const auto& d : devices)
            if (d.name == name) return d;
        static plat::BlockDeviceInfo none;
        ADD_FAILURE() << name;
        return none;
    };
    EXPECT_EQ(find("sda2").path, "/dev/sda2");
    EXPECT_EQ(find("sda2").diskPath, "/dev/sda");
    EXPECT_EQ(find("sda2").startByte, 4096u * 512);
    EXPECT_EQ(find("sda2").sizeBytes, 20000u * 512);
    EXPECT_EQ(find("sda2").mountPoint, "/");
    EXPECT_TRUE(find("sda2").partition);
    EXPECT_FALSE(find("sda").partition);
    EXPECT_EQ(find("loop0p1").mountPoint, "/mnt/my image");
    EXPECT_EQ(find("loop0p1").backingFile, "/home/me/images/disk.img");
    EXPECT_EQ(find("nvme0n1p1").diskName, "nvme0n1");

    // Found again by the disk's path and the start, as a volume of a collected disk is.
    const plat::BlockDeviceInfo* at = plat::FindBlockDeviceAt(devices, "/dev/mmcblk0", 8192u * 512);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at->name, "mmcblk0p1");
    at = plat::FindBlockDeviceAt(devices, "/dev/xvda", 0);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at->name, "xvda");
    EXPECT_EQ(plat::FindBlockDeviceAt(devices, "/dev/sda", 12345), nullptr);
    EXPECT_EQ(plat::FindBlockDeviceAt(devices, "/tmp/other.img", 0), nullptr);
}

TEST(BlockDeviceList, WhyADeviceCannotBeOpened)
{
    testsupport::TempDir dir;
    const fs::path file = dir / "disk.img";
    WriteText(file, std::string(1024, '\0'));
    EXPECT_EQ(plat::OpenFailureReason(file.string()), "");
    EXPECT_EQ(plat::OpenFailureReason((dir / "missing.img").string()), "No such file or directory");
    if (::geteuid() != 0) {
        ::chmod(file.c_str(), 0);
        EXPECT_EQ(plat::OpenFailureReason(file.string()), "Permission denied");
    }
}
