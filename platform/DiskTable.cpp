// Building the disk list from /sys/block or from SALVIX_DISKS.
#include "platform/DiskTable.h"

#include "platform/DriveLetters.h"
#include "platform/SysFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace plat {

namespace {

bool StartsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

bool IsExcludedName(const std::string& name)
{
    return StartsWith(name, "ram") || StartsWith(name, "zram") || StartsWith(name, "sr") || StartsWith(name, "fd");
}

std::vector<DiskEntry> SplitOverride(const std::string& list)
{
    std::vector<DiskEntry> out;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(':', start);
        if (end == std::string::npos) end = list.size();
        std::string path = list.substr(start, end - start);
        if (!path.empty()) {
            DiskEntry e;
            e.path = path;
            // A loop device given by path keeps its name, so that its description and letters can be found.
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode)) e.sysName = fs::path(path).filename().string();
            out.push_back(std::move(e));
        }
        start = end + 1;
    }
    return out;
}

std::string ReadFirstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

std::string FirstMountPoint(const std::string& mountInfo, dev_t rdev)
{
    if (rdev == 0) return std::string();
    const auto mounts = MountPointsOf(mountInfo, rdev);
    return mounts.empty() ? std::string() : mounts.front();
}

} // namespace

std::vector<BlockDeviceInfo> ListBlockDevicesFrom(const SysRoot& root)
{
    std::vector<BlockDeviceInfo> out;
    const fs::path sysBlock(root.sysBlockDir);
    for (const DiskEntry& disk : ListDisksFrom(root.sysBlockDir, root.devDir, nullptr)) {
        const fs::path diskDir = sysBlock / disk.sysName;
        BlockDeviceInfo whole;
        whole.name = whole.diskName = disk.sysName;
        whole.path = whole.diskPath = disk.path;
        whole.sizeBytes = ReadSysNumber(diskDir / "size") * 512;
        whole.backingFile = ReadFirstLine(diskDir / "loop" / "backing_file");
        whole.rdev = ReadSysDevNumber(diskDir / "dev");
        whole.mountPoint = FirstMountPoint(root.mountInfo, whole.rdev);
        out.push_back(whole);
        std::vector<std::pair<uint64_t, BlockDeviceInfo>> parts;
        std::error_code ec;
        for (const auto& item : fs::directory_iterator(diskDir, ec)) {
            if (!fs::exists(item.path() / "partition", ec)) continue;
            const uint64_t sectors = ReadSysNumber(item.path() / "size");
            if (sectors <= 2) continue;
            BlockDeviceInfo p = whole;
            p.name = item.path().filename().string();
            p.path = (fs::path(root.devDir) / p.name).string();
            p.partition = true;
            p.startByte = ReadSysNumber(item.path() / "start") * 512;
            p.sizeBytes = sectors * 512;
            p.rdev = ReadSysDevNumber(item.path() / "dev");
            p.mountPoint = FirstMountPoint(root.mountInfo, p.rdev);
            parts.emplace_back(ReadSysNumber(item.path() / "partition"), std::move(p));
        }
        std::stable_sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& part : parts) out.push_back(std::move(part.second));
    }
    return out;
}

std::vector<BlockDeviceInfo> ListBlockDevices()
{
    return ListBlockDevicesFrom(SysRoot{});
}

std::string BlockDeviceDisplayName(const BlockDeviceInfo& device)
{
    if (device.backingFile.empty()) return device.name;
    return device.name + ": " + fs::path(device.backingFile).filename().string();
}

const BlockDeviceInfo* FindBlockDeviceAt(const std::vector<BlockDeviceInfo>& devices, const std::string& diskPath,
                                         uint64_t startByte)
{
    const BlockDeviceInfo* whole = nullptr;
    for (const BlockDeviceInfo& d : devices) {
        if (d.diskPath != diskPath) continue;
        if (d.partition && d.startByte == startByte) return &d;
        if (!d.partition && startByte == 0) whole = &d;
    }
    return whole;
}

std::string OpenFailureReason(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return std::string();
}

bool NaturalLess(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = a[i] >= '0' && a[i] <= '9';
        const bool db = b[j] >= '0' && b[j] <= '9';
        if (da && db) {
            size_t ei = i, ej = j;
            while (ei < a.size() && a[ei] >= '0' && a[ei] <= '9') ++ei;
            while (ej < b.size() && b[ej] >= '0' && b[ej] <= '9') ++ej;
            std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            na.erase(0, std::min(na.find_first_not_of('0'), na.size()));
            nb.erase(0, std::min(nb.find_first_not_of('0'), nb.size()));
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<DiskEntry> ListDisksFrom(const std::string& sysBlockDir, const std::string& devDir,
                                     const char* overrideList)
{
    if (overrideList) return SplitOverride(overrideList);
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(sysBlockDir, ec)) {
        const std::string name = item.path().filename().string();
        if (IsExcludedName(name)) continue;
        if (StartsWith(name, "loop") && !fs::exists(item.path() / "loop" / "backing_file", ec)) continue;
        // Idle network-block and empty card-reader slots would otherwise take the low indexes.
        if (ReadSysNumber(item.path() / "size") == 0) continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    std::vector<DiskEntry> out;
    out.reserve(names.size());
    for (const auto& name : names) out.push_back({(fs::path(devDir) / name).string(), name});
    return out;
}

std::vector<DiskEntry> ListDisks()
{
    return ListDisksFrom("/sys/block", "/dev", std::getenv("SALVIX_DISKS"));
}

bool GetDiskEntry(int index, DiskEntry* entry)
{
    if (index < 0) return false;
    const auto disks = ListDisks();
    if (static_cast<size_t>(index) >= disks.size()) return false;
    *entry = disks[static_cast<size_t>(index)];
    return true;
}

} // namespace plat
