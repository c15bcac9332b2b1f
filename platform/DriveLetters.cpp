// Assigning drive letters to the machine's volumes, from sysfs and mountinfo, or from SALVIX_DRIVES.
#include "platform/DriveLetters.h"

#include "platform/BlockDevice.h"
#include "platform/DiskTable.h"
#include "platform/SysFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace fs = std::filesystem;

namespace plat {

namespace {

// Where a block device sits: the whole disk holding it and its start on that disk (from /sys/dev/block).
void LocateOnDisk(DriveEntry& e, const std::string& devDir)
{
    e.diskPath = e.devicePath;
    e.startByte = 0;
    if (e.rdev == 0) return;
    const fs::path sys = SysBlockDir(e.rdev);
    std::error_code ec;
    if (!fs::exists(sys / "partition", ec)) return;
    const fs::path parent = fs::canonical(sys / "..", ec);
    if (ec) return;
    e.diskPath = (fs::path(devDir) / parent.filename()).string();
    e.startByte = ReadSysNumber(sys / "start") * 512;
}

std::vector<DriveEntry> ParseOverride(const std::string& text, const DriveSources& src)
{
    std::vector<DriveEntry> out;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        if (item.size() < 3 || item[1] != '=') continue;
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(item[0])));
        if (letter < 'A' || letter > 'Z') continue;
        if (std::any_of(out.begin(), out.end(), [letter](const DriveEntry& d) { return d.letter == letter; })) continue;
        DriveEntry e;
        e.letter = letter;
        e.devicePath = item.substr(2);
        e.floppy = letter == 'A' || letter == 'B';
        struct stat st {};
        if (::stat(e.devicePath.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) {
            e.rdev = st.st_rdev;
            const auto mounts = MountPointsOf(src.mountInfo, e.rdev);
            if (!mounts.empty()) e.mountPoint = mounts.front();
        }
        LocateOnDisk(e, src.devDir);
        out.push_back(std::move(e));
    }
    return out;
}

struct Partition {
    uint64_t number;
    std::string name;
    uint64_t start;
    dev_t rdev;
};

std::vector<Partition> PartitionsOf(const fs::path& diskDir)
{
    std::vector<Partition> parts;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(diskDir, ec)) {
        if (!fs::exists(item.path() / "partition", ec)) continue;
        // An extended-partition container shows as a partition of one or two sectors: no volume.
        if (ReadSysNumber(item.path() / "size") <= 2) continue;
        parts.push_back({ReadSysNumber(item.path() / "partition"), item.path().filename().string(),
                         ReadSysNumber(item.path() / "start"), ReadSysDevNumber(item.path() / "dev")});
    }
    std::sort(parts.begin(), parts.end(), [](const Partition& a, const Partition& b) { return a.number < b.number; });
    return parts;
}

} // namespace

std::vector<std::string> MountPointsOf(const std::string& mountInfoPath, dev_t rdev)
{
    std::vector<std::string> rootMounts, otherMounts;
    std::ifstream in(mountInfoPath);
    std::string line;
    const std::string want = std::to_string(major(rdev)) + ":" + std::to_string(minor(rdev));
    while (std::getline(in, line)) {
        MountInfoLine m;
        if (!ParseMountInfoLine(line, m) || m.devNumber != want) continue;
        (m.root == "/" ? rootMounts : otherMounts).push_back(m.mountPoint);
    }
    rootMounts.insert(rootMounts.end(), otherMounts.begin(), otherMounts.end());
    return rootMounts;
}

bool HoldsKnownFileSystem(const std::string& devicePath)
{
    auto dev = BlockDevice::Open(devicePath);
    if (!dev) return false;
    uint8_t b[2048] = {};
    size_t got = 0;
    uint32_t error = 0;
    if (!dev->ReadAt(0, b, sizeof(b), &got, &error) || got < sizeof(b)) return false;
    if (std::memcmp(b + 3, "NTFS    ", 8) == 0 || std::memcmp(b + 3, "EXFAT   ", 8) == 0) return true;
    if (b[510] == 0x55 && b[511] == 0xAA &&
        (std::memcmp(b + 54, "FAT", 3) == 0 || std::memcmp(b + 82, "FAT32", 5) == 0))
        return true;
    return b[1080] == 0x53 && b[1081] == 0xEF;
}

std::vector<DriveEntry> DriveScan(const DriveSources& src)
{
    if (src.drivesOverride) {
        auto out = ParseOverride(src.drivesOverride, src);
        std::sort(out.begin(), out.end(), [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
        return out;
    }
    std::vector<DriveEntry> out;
    const fs::path sysBlock(src.sysBlockDir);
    std::error_code ec;
    auto addMount = [&src](DriveEntry& e) {
        if (e.rdev == 0) return;
        const auto mounts = MountPointsOf(src.mountInfo, e.rdev);
        if (!mounts.empty()) e.mountPoint = mounts.front();
    };
    for (int i = 0; i < 2; ++i) {
        const std::string name = "fd" + std::to_string(i);
        if (!fs::exists(sysBlock / name, ec)) continue;
        DriveEntry e;
        e.letter = static_cast<char>('A' + i);
        e.devicePath = (fs::path(src.devDir) / name).string();
        e.diskPath = e.devicePath;
        e.rdev = ReadSysDevNumber(sysBlock / name / "dev");
        e.floppy = true;
        addMount(e);
        out.push_back(std::move(e));
    }
    auto holds = src.holdsFileSystem ? src.holdsFileSystem : &HoldsKnownFileSystem;
    char letter = 'C';
    for (const auto& disk : ListDisksFrom(src.sysBlockDir, src.devDir, src.disksOverride)) {
        if (disk.sysName.empty() || !fs::exists(sysBlock / disk.sysName, ec)) continue;
        const auto parts = PartitionsOf(sysBlock / disk.sysName);
        if (parts.empty()) {
            DriveEntry e;
            e.devicePath = disk.path;
            e.diskPath = disk.path;
            e.rdev = ReadSysDevNumber(sysBlock / disk.sysName / "dev");
            addMount(e);
            if (letter <= 'Z' && (!e.mountPoint.empty() || holds(disk.path))) {
                e.letter = letter++;
                out.push_back(std::move(e));
            }
            continue;
        }
        for (const auto& p : parts) {
            if (letter > 'Z') break;
            DriveEntry e;
            e.letter = letter++;
            e.devicePath = (fs::path(src.devDir) / p.name).string();
            e.diskPath = disk.path;
            e.startByte = p.start * 512;
            e.rdev = p.rdev;
            addMount(e);
            out.push_back(std::move(e));
        }
    }
    return out;
}

std::vector<DriveEntry> ListDrives()
{
    DriveSources src;
    src.disksOverride = std::getenv("SALVIX_DISKS");
    src.drivesOverride = std::getenv("SALVIX_DRIVES");
    return DriveScan(src);
}

bool FindDrive(char letter, DriveEntry* entry)
{
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (auto& d : ListDrives()) {
        if (d.letter == upper) {
            *entry = std::move(d);
            return true;
        }
    }
    return false;
}

char DriveLetterOfPartition(const std::string& diskPath, uint64_t startByte)
{
    for (const auto& d : ListDrives())
        if (d.diskPath == diskPath && d.startByte == startByte) return d.letter;
    return 0;
}

char DriveLetterOfPath(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    for (const auto& d : ListDrives())
        if (d.rdev != 0 && d.rdev == st.st_dev) return d.letter;
    return 0;
}

bool IsPathOnDevice(const std::string& path, const std::string& devicePath)
{
    struct stat file {
    }, dev{};
    if (::stat(path.c_str(), &file) != 0 || ::stat(devicePath.c_str(), &dev) != 0 || !S_ISBLK(dev.st_mode))
        return false;
    if (file.st_dev == dev.st_rdev) return true;
    const fs::path sys = SysBlockDir(file.st_dev);
    std::error_code ec;
    return fs::exists(sys / "partition", ec) && ReadSysDevNumber(sys / ".." / "dev") == dev.st_rdev;
}

} // namespace plat
