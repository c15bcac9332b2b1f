// The committed fixture images (tests/fixtures/<name>.img.xz) unpacked, their manifests as rows, the deleted
// files that end-to-end tests expect back with their bytes, name and modification time, and the files a
// recovery left in a folder.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

enum class ManifestKind { Fat, Ext2, Ntfs };

struct ExpectedFile {
    std::string path; // below the made folder, as the tree names it
    std::string sha256;
    int64_t mtime = 0; // Unix seconds
    long mtimeNs = 0;
};

struct SavedFile {
    std::string sha256;
    int64_t mtime = 0;
    long mtimeNs = 0;
    ino_t inode = 0;
};

// tests/fixtures/<name> in the source tree.
std::string FixturePath(const std::string& name);
// tests/fixtures/<name>.img.xz decompressed into memory; empty when it cannot be read.
std::vector<uint8_t> LoadFixtureImage(const std::string& name);
// The same written to path; false when it cannot be.
bool ExtractFixtureImage(const std::string& name, const std::string& path);
// The rows of tests/fixtures/<name>.manifest, split at tabs; empty lines and '#' comments left out.
std::vector<std::vector<std::string>> ReadManifestRows(const std::string& name);
// The deleted files of <fixture>.manifest whose bytes are known exactly.
std::vector<ExpectedFile> DeletedFileExpectations(const std::string& fixture, ManifestKind kind);
// Every regular file below folder by its path relative to it.
std::map<std::string, SavedFile> SavedFiles(const std::filesystem::path& folder);

} // namespace testsupport
