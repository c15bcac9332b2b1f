// Reading sysfs attributes and mountinfo lines.
#include "platform/SysFiles.h"

#include <fstream>
#include <sstream>
#include <sys/sysmacros.h>
#include <vector>

namespace plat {

std::string SysBlockDir(dev_t dev)
{
    return "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
}

uint64_t ReadSysNumber(const std::string& file)
{
    std::ifstream in(file);
    unsigned long long value = 0;
    if (!(in >> value)) return 0;
    return value;
}

dev_t ReadSysDevNumber(const std::string& file)
{
    std::ifstream in(file);
    unsigned maj = 0, min = 0;
    char colon = 0;
    if (!(in >> maj >> colon >> min) || colon != ':') return 0;
    return makedev(maj, min);
}

std::string UnescapeMountField(std::string_view s)
{
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && octal(s[i + 1]) && octal(s[i + 2]) && octal(s[i + 3])) {
            out.push_back(static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
            i += 3;
            continue;
        }
        out.push_back(s[i]);
    }
    return out;
}

bool ParseMountInfoLine(const std::string& line, MountInfoLine& out)
{
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(std::move(w));
    if (f.size() < 5) return false;
    out = MountInfoLine();
    out.devNumber = f[2];
    out.root = UnescapeMountField(f[3]);
    out.mountPoint = UnescapeMountField(f[4]);
    if (f.size() >= 7) {
        size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (dash + 2 < f.size()) {
            out.fsType = f[dash + 1];
            out.source = UnescapeMountField(f[dash + 2]);
            out.hasType = true;
        }
    }
    return true;
}

} // namespace plat
