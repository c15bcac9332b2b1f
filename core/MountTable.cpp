// mountinfo parsing and the NTFS test of a mount.
#include "core/MountTable.h"

#include "platform/SysFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool HasNtfsBootSignature(const std::string& device)
{
    // Only block devices and image files: never block on a FIFO or a character device.
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode))) return false;
    const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    char oem[8] = {};
    const ssize_t got = ::pread(fd, oem, sizeof oem, 3);
    ::close(fd);
    return got == static_cast<ssize_t>(sizeof oem) && std::memcmp(oem, "NTFS    ", sizeof oem) == 0;
}

} // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    std::vector<MountEntry> table;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        plat::MountInfoLine m;
        if (!plat::ParseMountInfoLine(line, m) || !m.hasType) continue;
        if (m.mountPoint.empty() || m.mountPoint[0] != '/') continue;
        table.push_back({std::move(m.mountPoint), std::move(m.fsType), std::move(m.source)});
    }
    return table;
}

std::vector<MountEntry> ReadMountTable(const std::string& mountInfoPath)
{
    std::ifstream in(mountInfoPath);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    return ParseMountInfo(text.str());
}

const MountEntry* FindMountOfPath(const std::vector<MountEntry>& table, const std::string& path)
{
    const MountEntry* best = nullptr;
    for (const MountEntry& e : table) {
        const std::string& mp = e.mountPoint;
        const bool holds = mp == "/" || path == mp ||
                           (path.size() > mp.size() && path.compare(0, mp.size(), mp) == 0 && path[mp.size()] == '/');
        if (holds && (!best || mp.size() >= best->mountPoint.size())) best = &e;
    }
    return best;
}

bool IsNtfsMount(const MountEntry& entry)
{
    if (entry.fsType == "ntfs" || entry.fsType == "ntfs3") return true;
    return entry.fsType == "fuseblk" && HasNtfsBootSignature(entry.source);
}
