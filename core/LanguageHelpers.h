// The interface language and the matching font face. The language lives in the settings file in the
// group [Language], value "Language" ("English", "Deutsch" or "Japanese"); ReadLanguageName is the one
// reader of that value.
#pragma once

#include <string>

namespace plat {
class SettingsFile;
}

inline constexpr const char* kLanguageKey = "Language";
inline constexpr const char* kLanguageValue = "Language";

enum UILanguage { kUILanguageEnglish = 1, kUILanguageJapanese = 2 };

// The stored language name. A missing or empty value reads as "English", which is then written
// back. keyExisted, when given, tells whether the key was there before the call.
std::string ReadLanguageName(plat::SettingsFile& settings, bool* keyExisted = nullptr);
// The same on the program's settings file.
std::string ReadLanguageName();

// 2 (Japanese) for exactly "Japanese", else 1 (English and German share the Latin face).
int LanguageFromName(const std::string& name);

// On the first call reads the language (ReadLanguageName) and caches it; later calls hand out the
// cached language. False when the key did not exist at the first call, true otherwise.
bool ReadUILanguage(int* language);
// The cached language, read on first use.
int GetUILanguage();
// "Meiryo UI" for Japanese, else "Arial"; a static text.
const char* GetUIFontName();

// Forgets the cached language (tests only).
void ResetUILanguageCacheForTest();
