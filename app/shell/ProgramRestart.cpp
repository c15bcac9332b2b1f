// The restart request and the re-execution.
#include "app/shell/ProgramRestart.h"

#include "platform/Folders.h"
#include "platform/Log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct RestartState {
    std::mutex lock;
    bool requested = false;
    std::string program;
};

RestartState& State()
{
    static RestartState s;
    return s;
}

std::string OwnProgramFile()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec || !exe.is_absolute() || !fs::is_regular_file(exe, ec))
        return {}; // also when the file was replaced or removed since the start (" (deleted)")
    return exe.string();
}

} // namespace

bool StartRestartHelper()
{
    std::string program = OwnProgramFile();
    if (program.empty()) {
        LogError("Restart: the program's own file cannot be found");
        return false;
    }
    RestartState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    s.requested = true;
    s.program = std::move(program);
    return true;
}

bool IsRestartRequested()
{
    RestartState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.requested;
}

std::string RestartProgramPath()
{
    RestartState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    return s.requested ? s.program : std::string();
}

void CancelRestartRequest()
{
    RestartState& s = State();
    std::lock_guard<std::mutex> hold(s.lock);
    s.requested = false;
    s.program.clear();
}

bool RestartProgram(const std::vector<std::string>& arguments)
{
    const std::string program = RestartProgramPath();
    if (program.empty() || program[0] != '/') return false;
    LogInfo("Restarting %s", program.c_str());

    std::vector<char*> argv;
    std::vector<std::string> args = arguments;
    if (args.empty()) args.push_back(program);
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    // exec skips the exit-time clean-up: remove the private temporary folder now.
    std::error_code ec;
    const fs::path temp = plat::TempFolder();
    if (!temp.empty()) fs::remove_all(temp, ec);
    std::fflush(nullptr);
    ::execv(program.c_str(), argv.data());
    LogError("Restart of %s failed with %d", program.c_str(), errno);
    return false;
}
