// Unpacking the fixture images, reading their manifests, and the files a recovery saved.
#include "tests/support/FixtureManifests.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace {

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) out.push_back(field);
    return out;
}

int64_t UtcSeconds(const std::string& text)
{
    std::tm tm{};
    if (!strptime(text.c_str(), "%Y-%m-%d %H:%M:%S", &tm)) return -1;
    return int64_t(timegm(&tm));
}

// The name a FAT tree gives a deleted entry: a long name as it was; a plain 8.3 name (mtools writes no long
// name for those) with '#' for its lost first character.
std::string DeletedFatName(const std::string& name)
{
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    bool shortName = !base.empty() && base.size() <= 8 && ext.size() <= 3 && ext.find('.') == std::string::npos;
    for (char c : name)
        if (!(std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
              c == '_'))
            shortName = false;
    return shortName ? "#" + name.substr(1) : name;
}

// FAT rows: state, path, size, sha256, mtime (UTC), exact. Only deleted files whose bytes are exact.
std::vector<ExpectedFile> FatExpectations(std::ifstream& in)
{
    std::vector<std::vector<std::string>> rows;
    std::map<std::string, bool> deletedFolders;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        rows.push_back(Fields(line));
        if (rows.back().size() >= 2 && rows.back()[1].back() == '/')
            deletedFolders[rows.back()[1]] = rows.back()[0] == "deleted";
    }
    std::vector<ExpectedFile> out;
    for (const auto& f : rows) {
        if (f.size() < 6 || f[0] != "deleted" || f[1].back() == '/' || f[5] != "1") continue;
        std::string path, sofar;
        for (size_t at = 1; at <= f[1].size();) {
            const size_t next = std::min(f[1].find('/', at), f[1].size());
            const std::string part = f[1].substr(at, next - at);
            sofar += "/" + part;
            const bool deleted = next == f[1].size() || deletedFolders[sofar + "/"];
            path += "/" + (deleted ? DeletedFatName(part) : part);
            at = next + 1;
        }
        out.push_back({path.substr(1), f[3], UtcSeconds(f[4])});
    }
    return out;
}

// NTFS rows: file, state, tree path, disk path, size, sha256, modification and access time (FILETIME).
std::vector<ExpectedFile> NtfsExpectations(std::ifstream& in)
{
    std::vector<ExpectedFile> out;
    for (std::string line; std::getline(in, line);) {
        const auto f = Fields(line);
        if (f.size() < 8 || f[0] != "file" || f[1] != "deleted") continue;
        const uint64_t time = std::stoull(f[6]);
        out.push_back({f[2].substr(1), f[5], int64_t(time / 10000000) - 11644473600LL, long(time % 10000000) * 100});
    }
    return out;
}

// ext2 rows: state, path, tree path, size, sha256, mtime (Unix seconds), inode. Every deleted file is intact.
std::vector<ExpectedFile> Ext2Expectations(std::ifstream& in)
{
    std::vector<ExpectedFile> out;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto f = Fields(line);
        if (f.size() < 7 || f[0] != "deleted" || f[2].back() == '/') continue;
        out.push_back({f[2].substr(1), f[4], std::stoll(f[5])});
    }
    return out;
}

} // namespace

std::string FixturePath(const std::string& name)
{
    return std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name;
}

std::vector<uint8_t> LoadFixtureImage(const std::string& name)
{
    std::vector<uint8_t> bytes;
    FILE* pipe = popen(("xz -dc '" + FixturePath(name + ".img.xz") + "' 2>/dev/null").c_str(), "r");
    if (!pipe) return bytes;
    std::vector<uint8_t> chunk(1 << 16);
    for (size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + std::ptrdiff_t(got));
    if (pclose(pipe) != 0) bytes.clear();
    return bytes;
}

bool ExtractFixtureImage(const std::string& name, const std::string& path)
{
    const std::string cmd = "xz -dc '" + FixturePath(name + ".img.xz") + "' > '" + path + "'";
    return std::system(cmd.c_str()) == 0;
}

std::vector<std::vector<std::string>> ReadManifestRows(const std::string& name)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(FixturePath(name + ".manifest"));
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') rows.push_back(Fields(line));
    return rows;
}

std::vector<ExpectedFile> DeletedFileExpectations(const std::string& fixture, ManifestKind kind)
{
    std::ifstream manifest(FixturePath(fixture + ".manifest"));
    if (!manifest) return {};
    switch (kind) {
    case ManifestKind::Fat: return FatExpectations(manifest);
    case ManifestKind::Ext2: return Ext2Expectations(manifest);
    case ManifestKind::Ntfs: return NtfsExpectations(manifest);
    }
    return {};
}

std::map<std::string, SavedFile> SavedFiles(const std::filesystem::path& folder)
{
    std::map<std::string, SavedFile> out;
    const std::string command = "cd '" + folder.string() + "' && find . -type f -print0 | xargs -0 -r sha256sum";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char line[8192];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        if (text.size() < 68) continue;
        const std::string rel = text.substr(66 + 2); // "<64 hex>  ./path"
        SavedFile& f = out[rel];
        f.sha256 = text.substr(0, 64);
        struct stat st {};
        if (::stat((folder / rel).c_str(), &st) == 0) {
            f.mtime = st.st_mtim.tv_sec;
            f.mtimeNs = st.st_mtim.tv_nsec;
            f.inode = st.st_ino;
        }
    }
    pclose(pipe);
    return out;
}

} // namespace testsupport
