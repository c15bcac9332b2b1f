// The fixture images' manifests as end-to-end tests read them: which deleted files come back with which
// bytes, name and modification time, and the files a recovery left in a folder.
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
// The deleted files of <fixture>.manifest whose bytes are known exactly.
std::vector<ExpectedFile> DeletedFileExpectations(const std::string& fixture, ManifestKind kind);
// Every regular file below folder by its path relative to it.
std::map<std::string, SavedFile> SavedFiles(const std::filesystem::path& folder);

} // namespace testsupport
