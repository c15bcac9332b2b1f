// Drive letters for a platform that has none: floppies get A: and B:, the volumes of the disk table
// (partitions, and whole disks holding a file system) get C: upward in disk and partition order.
// SALVIX_DRIVES=C=path[,D=path...] replaces the assignment. Each letter knows its device and mount point.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace plat {

struct DriveEntry {
    char letter = 0;
    std::string devicePath; // what to open: "/dev/sda1", or an image file
    std::string mountPoint; // where it is mounted; empty when not mounted
    std::string diskPath;   // the whole disk holding it ("/dev/sda"); the device itself for a whole disk
    uint64_t startByte = 0; // where it starts on that disk
    dev_t rdev = 0;         // the block device number; 0 for a file
    bool floppy = false;
};

// Where DriveScan looks; the defaults are the live system's, tests point them at a fake tree.
struct DriveSources {
    std::string sysBlockDir = "/sys/block";
    std::string devDir = "/dev";
    std::string mountInfo = "/proc/self/mountinfo";
    const char* disksOverride = nullptr;  // SALVIX_DISKS
    const char* drivesOverride = nullptr; // SALVIX_DRIVES
    // Whether an unpartitioned, unmounted whole disk gets a letter (it holds a file system). Null: looks at
    // its first sectors for a FAT, NTFS or ext2/3/4 signature.
    bool (*holdsFileSystem)(const std::string& devicePath) = nullptr;
};

// The letters in alphabetical order.
std::vector<DriveEntry> DriveScan(const DriveSources& sources);
// The live system, with SALVIX_DISKS and SALVIX_DRIVES from the environment.
std::vector<DriveEntry> ListDrives();

// Letter (any case) -> entry; false when the letter is not assigned.
bool FindDrive(char letter, DriveEntry* entry);
// The letter of the volume that starts at startByte on the disk at diskPath; 0 when none.
char DriveLetterOfPartition(const std::string& diskPath, uint64_t startByte);
// The letter of the volume holding a file or folder (compares block devices); 0 when none.
char DriveLetterOfPath(const std::string& path);
// Whether a file or folder lies on the block device at devicePath, or on a partition of it when it is a
// whole disk. False for image files and for paths that do not exist.
bool IsPathOnDevice(const std::string& path, const std::string& devicePath);

// The mount points of a block device number from a mountinfo file (first the mounts of the device's root).
std::vector<std::string> MountPointsOf(const std::string& mountInfoPath, dev_t rdev);

// Whether the first sectors of a device hold a FAT, NTFS or ext2/3/4 file system's signature.
bool HoldsKnownFileSystem(const std::string& devicePath);

} // namespace plat
