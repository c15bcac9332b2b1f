// Start-up decisions, kept free of windows so that tests can run them as a table.
#include "app/shell/StartupOptions.h"

#include "core/LanguageHelpers.h"
#include "platform/Settings.h"

#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <unistd.h>

LanguageChoice ChooseLanguage(const std::string& languageName)
{
    LanguageChoice c;
    if (languageName == "English") {
        c.bundleName = "English";
        c.interfaceLanguage = kUILanguageEnglish;
    } else if (languageName == "Deutsch") {
        c.bundleName = "Deutsch";
    } else if (languageName == "Japanese") {
        c.bundleName = "Japanese";
        c.interfaceLanguage = kUILanguageJapanese;
    }
    return c;
}

std::string ReadStartupLanguage(plat::SettingsFile& settings)
{
    std::string value;
    if (settings.KeyExists(kLanguageKey) &&
        (!settings.ReadString(kLanguageKey, kLanguageValue, value) || value.empty()))
        LogInfo("RegQueryValueEx failed with %d\n", 2);
    return ReadLanguageName(settings);
}

bool IsTraceSwitch(const std::string& argument)
{
    return argument.size() == 6 && (argument[0] == '-' || argument[0] == '/') &&
           ::strcasecmp(argument.c_str() + 1, "trace") == 0;
}

LOGLEVEL LogLevelFromArguments(const std::vector<std::string>& arguments)
{
    for (size_t i = 1; i < arguments.size(); ++i)
        if (IsTraceSwitch(arguments[i])) return LOGLEVEL_TRACE;
    return LOGLEVEL_NORMAL;
}

std::string LogFilePath(const std::filesystem::path& stateFolder)
{
    if (stateFolder.empty()) return {};
    return (stateFolder / "Salvix.log").string();
}

LOGTYPE LogTypeFromLoaderLock(const std::filesystem::path& runtimeFolder)
{
    if (runtimeFolder.empty()) return LOGTYPE_STANDALONE;
    const std::string path = (runtimeFolder / (std::string(kLoaderLockName) + ".lock")).string();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LOGTYPE_STANDALONE;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held ? LOGTYPE_LOADER : LOGTYPE_STANDALONE;
}
