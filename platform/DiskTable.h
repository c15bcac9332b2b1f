// The machine's physical disks by index: disk N is the Nth whole-disk block device under /sys/block in name
// order, or the Nth path of SALVIX_DISKS=path[:path...] (image files or loop devices) when that is set.
#pragma once

#include <string>
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

// Name order that compares runs of digits by value ("sdb" < "sdaa" is not wanted: "loop2" < "loop10").
bool NaturalLess(const std::string& a, const std::string& b);

} // namespace plat
