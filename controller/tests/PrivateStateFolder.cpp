// The controllers of format and partition recovery write wizard-state files: these tests keep them in the
// build's test folder, away from the user's state folder.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const bool g_privateStateFolder = [] {
    const char* tmp = std::getenv("SALVIX_TEST_TMP");
    const std::filesystem::path base =
        std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / ("salvix-controller-" + std::to_string(::getpid()));
    std::error_code ec;
    std::filesystem::create_directories(base / "state", ec);
    ::setenv("SALVIX_STATE_DIR", (base / "state").c_str(), 0);
    static const std::filesystem::path s_base = base;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(s_base, ignored);
    });
    return true;
}();

} // namespace
