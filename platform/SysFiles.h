// The kernel's text files under /proc and /sys, read in one place: sysfs block folders and their number
// attributes, and the lines of /proc/self/mountinfo.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace plat {

// The sysfs folder of a block device number: "/sys/dev/block/8:1".
std::string SysBlockDir(dev_t dev);

// A decimal attribute ("start", "size", "partition", "removable"); 0 when missing or not a number.
uint64_t ReadSysNumber(const std::string& file);

// The "dev" attribute of a sysfs block folder ("8:1"); 0 when missing or malformed.
dev_t ReadSysDevNumber(const std::string& file);

// mountinfo writes blanks, tabs, newlines and backslashes of paths as a backslash and three octal digits.
std::string UnescapeMountField(std::string_view s);

// One line of mountinfo:
//   id parent major:minor root mount-point options [optional fields...] - type source super-options
// Paths are unescaped. hasType is false when the line ends before the type and source after the "-".
struct MountInfoLine {
    std::string devNumber; // "8:1"
    std::string root;
    std::string mountPoint;
    std::string fsType;
    std::string source;
    bool hasType = false;
};

// False when the line has fewer than the five leading fields.
bool ParseMountInfoLine(const std::string& line, MountInfoLine& out);

} // namespace plat
