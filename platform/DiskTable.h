// The machine's physical disks by index: disk N is the Nth whole-disk block device under /sys/block in name
// order, or the Nth path of SALVIX_DISKS=path[:path...] (image files or loop devices) when that is set.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>
#include <vector>

namespace plat {

struct DiskEntry {
    std::string path;    // what to open: "/dev/sda", or an image file of SALVIX_DISKS
    std::string sysName; // the block device's name under /sys/block ("sda"); empty for a file
};

// The current disk list (the folders are read on every call).
std::vector<DiskEntry> ListDisks();
// Disk index -> entry; false when there is no such disk.
bool GetDiskEntry(int index, DiskEntry* entry);

// The list built from a sysfs block folder and a device folder, or from the override text when it is not null.
// Left out: ram, zram, sr and fd devices, loop devices without a backing file, and devices of size 0.
std::vector<DiskEntry> ListDisksFrom(const std::string& sysBlockDir, const std::string& devDir,
                                     const char* overrideList);

// One block device the kernel shows, a whole disk or one of its partitions, with what a person knows it by.
struct BlockDeviceInfo {
    std::string name;     // "sdb1", "nvme0n1p2", "loop0"
    std::string path;     // "/dev/sdb1"
    std::string diskName; // the whole disk: "sdb"; its own name for a whole disk
    std::string diskPath; // "/dev/sdb"
    bool partition = false;
    uint64_t startByte = 0; // where it starts on the whole disk
    uint64_t sizeBytes = 0;
    std::string backingFile; // the file behind a loop device (and behind its partitions)
    std::string mountPoint;  // where it is mounted (the device's root first); empty when not mounted
    dev_t rdev = 0;
};

// Where the kernel's lists are read; tests point them at a fake tree.
struct SysRoot {
    std::string sysBlockDir = "/sys/block";
    std::string devDir = "/dev";
    std::string mountInfo = "/proc/self/mountinfo";
};

// Every whole disk the disk list considers (ListDisksFrom without an override), each followed by its
// partitions in partition-number order. Extended-partition containers (two sectors or fewer) are left out.
std::vector<BlockDeviceInfo> ListBlockDevicesFrom(const SysRoot& root);
// The live system (SALVIX_DISKS does not apply: these are the kernel's devices).
std::vector<BlockDeviceInfo> ListBlockDevices();

// The name a person reads: "sdb1", or for a loop device and its partitions the name and the backing file's
// name, "loop0: disk.img".
std::string BlockDeviceDisplayName(const BlockDeviceInfo& device);
// The device of a list that starts at startByte of the whole disk opened as diskPath (a partition, or the
// disk itself at 0 when it has no partition there); null when none.
const BlockDeviceInfo* FindBlockDeviceAt(const std::vector<BlockDeviceInfo>& devices, const std::string& diskPath,
                                         uint64_t startByte);

// Empty when the path opens for reading; otherwise the system's reason ("Permission denied").
std::string OpenFailureReason(const std::string& path);

// Name order that compares runs of digits by value ("sdb" < "sdaa" is not wanted: "loop2" < "loop10").
bool NaturalLess(const std::string& a, const std::string& b);

} // namespace plat
