// fuzz-target: salvix_recoverystate
// The exported-state container: its block decoded from the input, and the input imported as a container
// into a private folder (which must hold nothing but whole state files afterwards).
#include "fuzz/common/FuzzFile.h"
#include "storage/recoverystate/CMBKArchive.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

const std::filesystem::path& Folder()
{
    static const std::filesystem::path folder = [] {
        std::string name = (std::filesystem::temp_directory_path() / "salvix-mbk-XXXXXX").string();
        if (!::mkdtemp(name.data())) std::abort();
        return std::filesystem::path(name);
    }();
    return folder;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    MBKBlock block;
    volatile int status = CMBKArchive::DecodeBlock({data, size}, block);
    (void)status;
    const std::string path = fuzz::WriteFuzzFile("import.rsf", data, size);
    CMBKArchive archive(false, [](unsigned) {});
    archive.SetFolder(Folder());
    if (archive.Unpack(path.c_str())) {
        for (const auto& entry : std::filesystem::directory_iterator(Folder()))
            if (!CMBKArchive::IsStateFileName(entry.path().filename().string())) std::abort();
    }
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ignored))
        std::filesystem::remove(entry.path(), ignored);
    return 0;
}
