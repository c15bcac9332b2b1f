// A file holding the current fuzz input, for decoders that only read from a path.
#include "fuzz/common/FuzzFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <set>

#include <unistd.h>

namespace fuzz {

namespace {

// Never destroyed, so that the exit handler that removes the files can still read it.
std::set<std::string>& Written()
{
    static auto* paths = new std::set<std::string>;
    return *paths;
}

void RemoveWritten()
{
    std::error_code ignored;
    for (const std::string& p : Written()) std::filesystem::remove(p, ignored);
}

// Memory-backed when the machine has /dev/shm: rewriting a file on ext4 thousands of times a second waits on
// the disk (a truncated file is flushed when it is closed).
std::filesystem::path Folder()
{
    std::error_code ec;
    if (const char* chosen = std::getenv("SALVIX_FUZZ_TMP")) return chosen;
    if (std::filesystem::is_directory("/dev/shm", ec)) return "/dev/shm";
    return std::filesystem::temp_directory_path();
}

} // namespace

std::string WriteFuzzFile(const std::string& name, const uint8_t* data, size_t size)
{
    static std::once_flag registered;
    std::call_once(registered, [] { std::atexit(RemoveWritten); });
    const std::string path = (Folder() / ("salvix-fuzz-" + std::to_string(getpid()) + "-" + name)).string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || (size != 0 && std::fwrite(data, 1, size, f) != size) || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
    Written().insert(path);
    return path;
}

} // namespace fuzz
