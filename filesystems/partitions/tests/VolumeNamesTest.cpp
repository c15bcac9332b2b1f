// The names a person reads for collected volumes and disks: the kernel's device with its mount point, a
// loop device with its backing file, an image file standing in for a disk, dynamic volumes, floppies.
#include "filesystems/partitions/VolumeNames.h"

#include "core/devices/CDiskDevice.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace {

// A disk that reports devicePath as what it opened, reading a small file.
std::unique_ptr<CDiskDevice> DiskAt(const std::string& file, const std::string& devicePath)
{
    return std::make_unique<CDiskDevice>(0, [file, devicePath](int, std::string* path, uint32_t* error) {
        *path = devicePath;
        return std::unique_ptr<plat::IBlockDevice>(plat::BlockDevice::Open(file, error));
    });
}

VolumeDeviceRecord Basic(IStorageDevice* disk, uint64_t start, int32_t kind, const char* label = "")
{
    VolumeDeviceRecord r;
    r.nFileSystemKind = kind;
    r.cDriveLetter = 'D';
    std::snprintf(r.szLabel, sizeof r.szLabel, "%s", label);
    r.members[0] = {start, 1000, disk};
    return r;
}

plat::BlockDeviceInfo Device(const char* name, const char* disk, bool partition, uint64_t startByte,
                             const char* mount = "", const char* backing = "")
{
    plat::BlockDeviceInfo d;
    d.name = name;
    d.path = std::string("/dev/") + name;
    d.diskName = disk;
    d.diskPath = std::string("/dev/") + disk;
    d.partition = partition;
    d.startByte = startByte;
    d.mountPoint = mount;
    d.backingFile = backing;
    return d;
}

} // namespace

TEST(VolumeNames, LinuxNamesInPlaceOfLetters)
{
    testsupport::TempDir dir;
    const std::string file = (dir / "backing.img").string();
    std::ofstream(file, std::ios::binary) << std::string(64 * 1024, '\0');
    auto sdb = DiskAt(file, "/dev/sdb");
    auto loop = DiskAt(file, "/dev/loop0");
    auto image = DiskAt(file, file);
    ASSERT_TRUE(sdb->IsOpen() && loop->IsOpen() && image->IsOpen());
    const std::vector<plat::BlockDeviceInfo> devices = {
        Device("sdb", "sdb", false, 0),
        Device("sdb1", "sdb", true, 2048 * 512, "/media/me/DATA"),
        Device("sdb2", "sdb", true, 8192 * 512),
        Device("loop0", "loop0", false, 0, "", "/srv/disk.img"),
        Device("loop0p1", "loop0", true, 2048 * 512, "", "/srv/disk.img"),
    };
    CVolumeDeviceRecordList volumes;
    volumes.push_back(Basic(sdb.get(), 2048, 2, "DATA"));
    volumes.push_back(Basic(sdb.get(), 8192, 3));
    volumes.push_back(Basic(loop.get(), 2048, 1));
    volumes.push_back(Basic(image.get(), 63, 4));
    volumes.push_back(Basic(image.get(), 0, 2));
    volumes.push_back(Basic(image.get(), 4000, 3));
    VolumeDeviceRecord dynamic;
    dynamic.nDynamic = 1;
    dynamic.nFileSystemKind = 3;
    volumes.push_back(dynamic);
    VolumeDeviceRecord floppy;
    floppy.bFloppy = 1;
    floppy.cDriveLetter = 'A';
    floppy.nFileSystemKind = 0;
    volumes.push_back(floppy);

    const struct {
        const char* device;
        const char* mount;
        const char* row;
    } expected[] = {
        {"sdb1", "/media/me/DATA", "sdb1  DATA  (FAT32)  /media/me/DATA"},
        {"sdb2", "", "sdb2  (NTFS)"},
        {"loop0p1: disk.img", "", "loop0p1: disk.img  (FAT16)"},
        {"backing.img p1", "", "backing.img p1  (EXT2)"},
        {"backing.img", "", "backing.img  (FAT32)"},
        {"backing.img p2", "", "backing.img p2  (NTFS)"},
        {"dynamic volume 1", "", "dynamic volume 1  (NTFS)"},
        {"fd0", "", "fd0  (FAT12)"},
    };
    ASSERT_EQ(volumes.size(), std::size(expected));
    size_t i = 0;
    for (const VolumeDeviceRecord& record : volumes) {
        SCOPED_TRACE(i);
        const VolumeNaming naming = NameVolume(record, volumes, devices);
        EXPECT_EQ(naming.device, expected[i].device);
        EXPECT_EQ(naming.mountPoint, expected[i].mount);
        const std::string row = VolumeRowName(record, naming);
        EXPECT_EQ(row, expected[i].row);
        // No drive letter is ever part of what is shown.
        EXPECT_EQ(row.find("D:"), std::string::npos);
        ++i;
    }
    EXPECT_EQ(VolumeShortName(volumes.front(), NameVolume(volumes.front(), volumes, devices)), "sdb1 DATA (FAT32)");

    EXPECT_EQ(NameDisk(sdb.get(), devices), "sdb");
    EXPECT_EQ(NameDisk(loop.get(), devices), "loop0: disk.img");
    EXPECT_EQ(NameDisk(image.get(), devices), "backing.img");
    EXPECT_EQ(NameDisk(nullptr, devices), "");
}
