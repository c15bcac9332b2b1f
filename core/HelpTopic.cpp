// Help file opening through the desktop's file opener.
#include "core/HelpTopic.h"

#include "platform/Folders.h"
#include "platform/Log.h"

#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>

extern char** environ;

std::string GetHelpFilePath()
{
    return (plat::DataFolder() / "zul.chm").string();
}

int OpenHelpTopic(void* /*window*/, int contextId)
{
    const std::string path = GetHelpFilePath();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        LogError("Help file %s not found (topic %d)", path.c_str(), contextId);
        return 0;
    }
    LogInfo("Opening help %s at topic %d", path.c_str(), contextId);
    // The shell puts the opener in the background and ends at once, so no child is left to reap later.
    const char* argv[] = {"/bin/sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 &", "sh", path.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
        LogError("Cannot start the help viewer for %s", path.c_str());
        return 0;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return 0;
}
