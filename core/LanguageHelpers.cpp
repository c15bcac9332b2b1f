// Interface language and font face.
#include "core/LanguageHelpers.h"

#include "platform/Settings.h"

#include <mutex>

namespace {

struct LanguageCache {
    std::mutex lock;
    bool read = false;
    bool keyExisted = false;
    int language = kUILanguageEnglish;
};

LanguageCache& Cache()
{
    static LanguageCache cache;
    return cache;
}

} // namespace

std::string ReadLanguageName(plat::SettingsFile& settings, bool* keyExisted)
{
    const bool existed = settings.KeyExists(kLanguageKey);
    if (keyExisted) *keyExisted = existed;
    std::string name;
    if (settings.ReadString(kLanguageKey, kLanguageValue, name) && !name.empty()) return name;
    name = "English";
    settings.WriteString(kLanguageKey, kLanguageValue, name);
    return name;
}

std::string ReadLanguageName()
{
    plat::SettingsFile settings = plat::SettingsFile::Default();
    return ReadLanguageName(settings);
}

int LanguageFromName(const std::string& name)
{
    return name == "Japanese" ? kUILanguageJapanese : kUILanguageEnglish;
}

bool ReadUILanguage(int* language)
{
    LanguageCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.lock);
    bool result = true;
    if (!cache.read) {
        plat::SettingsFile settings = plat::SettingsFile::Default();
        cache.language = LanguageFromName(ReadLanguageName(settings, &cache.keyExisted));
        cache.read = true;
        result = cache.keyExisted;
    }
    if (language) *language = cache.language;
    return result;
}

int GetUILanguage()
{
    int language = kUILanguageEnglish;
    ReadUILanguage(&language);
    return language;
}

const char* GetUIFontName()
{
    return GetUILanguage() == kUILanguageJapanese ? "Meiryo UI" : "Arial";
}

void ResetUILanguageCacheForTest()
{
    LanguageCache& cache = Cache();
    std::lock_guard<std::mutex> hold(cache.lock);
    cache.read = false;
    cache.keyExisted = false;
    cache.language = kUILanguageEnglish;
}
