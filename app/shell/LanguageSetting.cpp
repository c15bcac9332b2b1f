// The language value of the settings file.
#include "app/shell/LanguageSetting.h"

#include "core/LanguageHelpers.h"
#include "platform/Log.h"
#include "platform/Settings.h"

#include <cerrno>

bool WriteLanguageToReg(plat::SettingsFile& settings, const std::string& name)
{
    const bool existed = settings.KeyExists(kLanguageKey);
    errno = 0;
    if (settings.WriteString(kLanguageKey, kLanguageValue, name)) return true;
    const int err = errno ? errno : EIO;
    if (existed)
        LogInfo("Tov : WriteLanguageToReg RegSetValueEx failed with %d\n", err);
    else
        LogInfo("Tov : WriteLanguageToReg RegSetValueEx2 failed with %d\n", err);
    return false;
}

bool WriteLanguageToReg(const std::string& name)
{
    plat::SettingsFile settings = plat::SettingsFile::Default();
    return WriteLanguageToReg(settings, name);
}
