// Path roots, the NTFS test and the characters a name may not hold. Roots are built in std::string, so no path
// can overrun a buffer.
#include "core/PathHelpers.h"

#include "core/MountTable.h"
#include "platform/DriveLetters.h"

#include <climits>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::size_t kMaxWindowsPath = 260;

bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The absolute, normalised form of a Linux path whose tail may not exist yet (a folder about to be made).
std::string Normalise(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    if (ec) p = std::filesystem::path(path).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s.empty() ? std::string("/") : s;
}

// The mount holding a Linux path, or holding the volume of a letter.
bool MountFor(const char* path, MountEntry* mount)
{
    std::string linuxPath;
    if (IsDriveLetter(path[0]) && path[1] == ':') {
        plat::DriveEntry drive;
        if (!plat::FindDrive(path[0], &drive) || drive.mountPoint.empty()) return false;
        linuxPath = drive.mountPoint;
    } else if (path[0] == '/') {
        linuxPath = path;
    } else {
        return false;
    }
    const std::vector<MountEntry> table = ReadMountTable();
    const MountEntry* found = FindMountOfPath(table, Normalise(linuxPath));
    if (!found) return false;
    *mount = *found;
    return true;
}

} // namespace

bool GetPathRoot(const char* path, std::string* root)
{
    if (path == nullptr || root == nullptr) return false;
    const std::size_t length = std::strlen(path);
    root->clear();
    // "/" alone is a whole Linux path, so the two-character minimum holds for the other forms only.
    if (path[0] == '/') {
        if (length > PATH_MAX) return false;
        std::vector<MountEntry> table = ReadMountTable();
        const MountEntry* mount = FindMountOfPath(table, Normalise(path));
        *root = mount ? mount->mountPoint : std::string("/");
        if (root->back() != '/') root->push_back('/');
        return true;
    }

    if (length < 2 || length > kMaxWindowsPath) return false;
    std::string p(path);
    if (p.back() != '\\') p.push_back('\\');
    if (IsDriveLetter(p[0]) && p[1] == ':') {
        *root = p.substr(0, 2) + "\\";
        return true;
    }
    if (p.compare(0, 2, "\\\\") == 0) {
        // Up to and including the backslash after the share name.
        const std::size_t serverEnd = p.find('\\', 2);
        if (serverEnd != std::string::npos && serverEnd > 2) {
            const std::size_t shareEnd = p.find('\\', serverEnd + 1);
            if (shareEnd != std::string::npos && shareEnd > serverEnd + 1) *root = p.substr(0, shareEnd + 1);
        }
    }
    return true;
}

bool IsNtfsVolume(const char* rootPath)
{
    if (rootPath == nullptr || rootPath[0] == '\0' || rootPath[1] == '\0') return false;
    MountEntry mount;
    return MountFor(rootPath, &mount) && IsNtfsMount(mount);
}

std::string ReplaceForbiddenNameChars(std::string_view name)
{
    std::string out(name);
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '/':
        case '\\':
        case ':':
        case '?':
        case '|':
        case '*':
        case '>':
        case '<':
        case '"': c = '#'; break;
        default:
            if (u < 0x20 || u == 0x7F) c = '#';
        }
    }
    return out;
}
