// The mount table of the running system (/proc/self/mountinfo): which mount holds a path, with its
// file-system type and source device. Path roots and the NTFS test of a target folder use it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct MountEntry {
    std::string mountPoint; // unescaped, absolute
    std::string fsType;     // "ext4", "ntfs3", "fuseblk"...
    std::string source;     // "/dev/sdb1", or a name such as "tmpfs"
};

// Parses mountinfo text; malformed lines are skipped. Entries keep the file's order (mount order).
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The live table; empty when it cannot be read.
std::vector<MountEntry> ReadMountTable(const std::string& mountInfoPath = "/proc/self/mountinfo");

// The mount holding an absolute, normalised path: the longest mount point that is the path or one
// of its ancestors, the latest mounted on ties. Null when none matches.
const MountEntry* FindMountOfPath(const std::vector<MountEntry>& table, const std::string& path);

// NTFS mounts: the kernel's drivers ("ntfs", "ntfs3"), or a FUSE block mount ("fuseblk") whose
// source device carries "NTFS    " at byte 3 of its boot sector.
bool IsNtfsMount(const MountEntry& entry);
