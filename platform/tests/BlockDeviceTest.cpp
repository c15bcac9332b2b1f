// Read-only storage access on regular files, the disk table from a fake sysfs tree, and disk identities.
#include "platform/BlockDevice.h"
#include "platform/DiskIdentity.h"
#include "platform/DiskTable.h"
#include "platform/Errors.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

} // namespace

TEST(BlockDevice, RegularFileReadsGeometryAndLength)
{
    testsupport::TempDir dir;
    const fs::path file = dir / "img";
    const uint64_t size = 3ull * 255 * 63 * 512 + 1000;
    std::ofstream(file).close();
    fs::resize_file(file, size);
    std::fstream(file, std::ios::in | std::ios::out | std::ios::binary).seekp(size - 1).put('Z');

    auto dev = plat::BlockDevice::Open(file.string());
    ASSERT_TRUE(dev);
    EXPECT_FALSE(dev->IsBlockDevice());
    EXPECT_EQ(::fcntl(dev->Fd(), F_GETFL) & O_ACCMODE, O_RDONLY);
    EXPECT_TRUE(::fcntl(dev->Fd(), F_GETFD) & FD_CLOEXEC);

    uint64_t length = 0;
    ASSERT_TRUE(dev->GetLength(&length));
    EXPECT_EQ(length, size);
    plat::DiskGeometry g;
    ASSERT_TRUE(dev->GetGeometry(&g));
    EXPECT_EQ(g.bytesPerSector, 512u);
    EXPECT_EQ(g.tracksPerCylinder, 255u);
    EXPECT_EQ(g.sectorsPerTrack, 63u);
    EXPECT_EQ(g.cylinders, 3);
    EXPECT_EQ(g.mediaType, plat::kMediaFixed);
    EXPECT_EQ(dev->ReadCapacity10(0), 0u);
    EXPECT_EQ(dev->ReadCapacity10(1), 0u);

    // A read across the end is short without an error; one past the end reads nothing.
    char buf[16] = {};
    size_t got = 0;
    uint32_t error = 7;
    EXPECT_TRUE(dev->ReadAt(size - 4, buf, sizeof(buf), &got, &error));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(buf[3], 'Z');
    EXPECT_TRUE(dev->ReadAt(size + 100, buf, sizeof(buf), &got, &error));
    EXPECT_EQ(got, 0u);
}

TEST(BlockDevice, OpenFailures)
{
    testsupport::TempDir dir;
    uint32_t error = 0;
    EXPECT_FALSE(plat::BlockDevice::Open((dir / "missing").string(), &error));
    EXPECT_EQ(error, plat::kErrFileNotFound);
    EXPECT_FALSE(plat::BlockDevice::Open(dir.path().string(), &error)); // a folder
    EXPECT_NE(error, 0u);
    EXPECT_FALSE(plat::BlockDevice::Open("", &error));
    // A FIFO without a writer is refused at once instead of waiting for one.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(plat::BlockDevice::Open((dir / "fifo").string(), &error));
    EXPECT_EQ(error, plat::kErrInvalidFunction);
}

TEST(BlockDevice, GeometryAndFloppyMediaFromSizes)
{
    const auto g = plat::MakeGeometry(1000ull * 16 * 63 * 4096 + 5, 4096, 16, 63, plat::kMediaFixed);
    EXPECT_EQ(g.cylinders, 1000);
    EXPECT_EQ(plat::MakeGeometry(10 << 20, 512, 0, 0, 0).tracksPerCylinder, 255u);
    EXPECT_EQ(plat::FloppyMediaType(1474560), plat::kMediaF3_1Pt44_512);
    EXPECT_EQ(plat::FloppyMediaType(737280), plat::kMediaF3_720_512);
    EXPECT_EQ(plat::FloppyMediaType(1000000), plat::kMediaRemovable);
}

TEST(DiskTable, WholeDisksInNameOrderWithoutVirtualOnes)
{
    testsupport::TempDir dir;
    const fs::path sys = dir / "block";
    for (const char* name :
         {"sdb", "sda", "nvme0n1", "ram0", "zram0", "sr0", "fd0", "loop0", "loop10", "loop2", "nbd0"})
        WriteText(sys / name / "size", "2048\n");
    WriteText(sys / "nbd0" / "size", "0\n");
    WriteText(sys / "loop10" / "loop" / "backing_file", "/x/ten.img\n");
    WriteText(sys / "loop2" / "loop" / "backing_file", "/x/two.img\n");

    std::vector<std::string> names;
    for (const auto& e : plat::ListDisksFrom(sys.string(), "/dev", nullptr)) {
        names.push_back(e.sysName);
        EXPECT_EQ(e.path, "/dev/" + e.sysName);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"loop2", "loop10", "nvme0n1", "sda", "sdb"}));
}

TEST(DiskTable, OverrideListReplacesTheScan)
{
    const auto disks = plat::ListDisksFrom("/nonexistent", "/dev", "/a/one.img::/b/two.img:");
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(disks[0].path, "/a/one.img");
    EXPECT_EQ(disks[1].path, "/b/two.img");
    EXPECT_TRUE(disks[0].sysName.empty());
    EXPECT_TRUE(plat::ListDisksFrom("/nonexistent", "/dev", "").empty());
}

TEST(DiskTable, NaturalOrder)
{
    EXPECT_TRUE(plat::NaturalLess("loop2", "loop10"));
    EXPECT_TRUE(plat::NaturalLess("sda", "sdb"));
    EXPECT_TRUE(plat::NaturalLess("sdz", "sdza"));
    EXPECT_FALSE(plat::NaturalLess("sda", "sda"));
    EXPECT_TRUE(plat::NaturalLess("nvme0n1", "nvme1n1"));
}

TEST(DiskIdentity, TextsAndBusFromSysfs)
{
    testsupport::TempDir dir;
    const fs::path usb = dir / "devices/pci0000:00/usb2/2-1/host6/target6:0:0/6:0:0:0/block/sdc";
    WriteText(usb / "device" / "vendor", "SanDisk \n");
    WriteText(usb / "device" / "model", "Ultra Fit       \n");
    WriteText(usb / "device" / "rev", "1.00\n");
    // Page 0x80: 4-byte header, then a serial of the length in byte 3.
    WriteText(usb / "device" / "vpd_pg80", std::string("\x00\x80\x00\x06", 4) + "4C5300");
    WriteText(usb / "device" / "wwid", "naa.5000c5004a1b2c3d\n");
    const plat::DiskIdentity id = plat::ReadDiskIdentity(usb.string());
    EXPECT_EQ(id.busType, plat::kBusUsb);
    EXPECT_EQ(id.vendor, "SanDisk ");
    EXPECT_EQ(id.product, "Ultra Fit       ");
    EXPECT_EQ(id.revision, "1.00");
    EXPECT_EQ(id.serial, "4C5300");
    EXPECT_EQ(id.wwn, "naa.5000c5004a1b2c3d");

    const std::pair<const char*, int32_t> buses[] = {
        {"/sys/devices/pci0000:00/0000:00:1f.2/ata1/host0/target0:0:0/0:0:0:0/block/sda", plat::kBusAta},
        {"/sys/devices/pci0000:00/0000:00:1d.0/nvme/nvme0/nvme0n1", plat::kBusNvme},
        {"/sys/devices/platform/mmc0/mmc_host/mmc0/mmc0:0001/block/mmcblk0", plat::kBusSd},
        {"/sys/devices/pci0000:00/0000:00:02.0/virtio1/block/vda", plat::kBusScsi},
        {"/sys/devices/virtual/block/loop0", plat::kBusFileBackedVirtual},
        {"/sys/devices/virtual/block/dm-0", plat::kBusVirtual},
    };
    for (const auto& [path, bus] : buses) EXPECT_EQ(plat::BusTypeFromSysfsPath(path), bus) << path;
}
