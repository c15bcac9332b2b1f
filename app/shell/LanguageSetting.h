// Storing the interface language in the settings file; start-up reads it back (ReadLanguageName).
#pragma once

#include <string>

namespace plat {
class SettingsFile;
}

// Sets the value "Language" of the language key to name, creating the key when it is missing.
// Logs and returns false when the file cannot be written.
bool WriteLanguageToReg(plat::SettingsFile& settings, const std::string& name);
// The same on the program's settings file.
bool WriteLanguageToReg(const std::string& name);
