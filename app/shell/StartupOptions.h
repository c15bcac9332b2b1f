// The decisions start-up takes before any window exists: which language bundle to load, which interface
// language the options get, the log level from the command line, and where the log goes.
#pragma once

#include "platform/Log.h"

#include <filesystem>
#include <string>
#include <vector>

namespace plat {
class SettingsFile;
}

struct LanguageChoice {
    std::string bundleName;    // "English", "Deutsch", "Japanese", or empty: the program's own texts
    int interfaceLanguage = 1; // 1 English and German, 2 Japanese
};

// By exact, case-sensitive comparison: "English", "Deutsch" and "Japanese" have bundles; any other name
// keeps the program's own (English) texts.
LanguageChoice ChooseLanguage(const std::string& languageName);

// The stored language name. A missing key is written as "English"; a key without a readable value is
// logged and read as "English".
std::string ReadStartupLanguage(plat::SettingsFile& settings);

// An argument whose first character is '-' or '/' and whose rest is "trace" in any case.
bool IsTraceSwitch(const std::string& argument);
// LOGLEVEL_TRACE when an argument after the program's name is the trace switch, else LOGLEVEL_NORMAL.
LOGLEVEL LogLevelFromArguments(const std::vector<std::string>& arguments);

// <state folder>/Salvix.log, or empty when there is no state folder.
std::string LogFilePath(const std::filesystem::path& stateFolder);

// LOGTYPE_LOADER when the loader's lock file in the run-time folder is held by another process.
LOGTYPE LogTypeFromLoaderLock(const std::filesystem::path& runtimeFolder);

inline constexpr const char* kInstanceLockName = "Salvix0_Mutex_610044_Dorvale";
inline constexpr const char* kLoaderLockName = "Qen_Loader_{E1AB3D3B-FEBF-4281-BD7E-5655BE739E67}";
