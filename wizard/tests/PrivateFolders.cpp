// The wizard reads and writes the language setting: these tests keep their settings and state in the
// build's test folder, away from the user's, and see no disk of the machine.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

const bool g_privateFolders = [] {
    const char* tmp = std::getenv("SALVIX_TEST_TMP");
    const std::filesystem::path base =
        std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / ("salvix-wizard-" + std::to_string(::getpid()));
    std::error_code ec;
    std::filesystem::create_directories(base / "config", ec);
    std::filesystem::create_directories(base / "state", ec);
    ::setenv("SALVIX_CONFIG_DIR", (base / "config").c_str(), 0);
    ::setenv("SALVIX_STATE_DIR", (base / "state").c_str(), 0);
    // The device pages list no disk of the machine running the tests, only the images a test names.
    ::setenv("SALVIX_DISKS", "", 0);
    ::setenv("SALVIX_DRIVES", "", 0);
    static const std::filesystem::path s_base = base;
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(s_base, ignored);
    });
    return true;
}();

} // namespace
