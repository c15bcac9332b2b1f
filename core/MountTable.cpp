// mountinfo parsing and the NTFS test of a mount.
#include "core/MountTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// Blanks, tabs, newlines and backslashes of paths are written as a backslash and three octal digits.
std::string Unescape(std::string_view s)
{
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && octal(s[i + 1]) && octal(s[i + 2]) && octal(s[i + 3])) {
            out.push_back(static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.push_back(s[i]);
    }
    return out;
}

bool HasNtfsBootSignature(const std::string& device)
{
    // Only block devices and image files: never block on a FIFO or a character device.
    struct stat st {};
    if (::stat(device.c_str(), &st) != 0 || !(S_ISBLK(st.st_mode) || S_ISREG(st.st_mode)))
        return false;
    const int fd = ::open(device.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
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
        // id parent major:minor root mount-point options [optional fields...] - type source super-options
        std::istringstream fields(line);
        std::vector<std::string> f;
        for (std::string w; fields >> w;)
            f.push_back(std::move(w));
        if (f.size() < 7)
            continue;
        std::size_t dash = 6;
        while (dash < f.size() && f[dash] != "-")
            ++dash;
        if (dash + 2 >= f.size())
            continue;
        MountEntry e;
        e.mountPoint = Unescape(f[4]);
        e.fsType = f[dash + 1];
        e.source = Unescape(f[dash + 2]);
        if (e.mountPoint.empty() || e.mountPoint[0] != '/')
            continue;
        table.push_back(std::move(e));
    }
    return table;
}

std::vector<MountEntry> ReadMountTable(const std::string& mountInfoPath)
{
    std::ifstream in(mountInfoPath);
    if (!in)
        return {};
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
        if (holds && (!best || mp.size() >= best->mountPoint.size()))
            best = &e;
    }
    return best;
}

bool IsNtfsMount(const MountEntry& entry)
{
    if (entry.fsType == "ntfs" || entry.fsType == "ntfs3")
        return true;
    return entry.fsType == "fuseblk" && HasNtfsBootSignature(entry.source);
}
