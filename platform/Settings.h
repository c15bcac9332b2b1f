// The settings file that stands in for the registry: settings.ini in the config folder, one group per key
// under a plain name ("[Language]"), one line per value name. Keys and value names compare without regard to
// case, as the registry's do. A file that still names a group by its old registry path
// ("[HKEY_LOCAL_MACHINE\SOFTWARE\Salvix\Recovery\Language]") is read the same, and the group takes its
// plain name when the file is next written; a key given as that path means the plain group too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace plat {

class SettingsFile {
public:
    explicit SettingsFile(std::filesystem::path file) : m_file(std::move(file)) {}
    // ConfigFolder()/settings.ini, looked up at the time of the call.
    static SettingsFile Default();

    const std::filesystem::path& Path() const { return m_file; }

    // Whether the key has a section in the file (a key with no values still exists).
    bool KeyExists(const std::string& key) const;
    // Sets the last error to 0 when found, else to 2 (file, key or value missing), as the registry and
    // profile reads do. Also reads plain ini files: key = section, name = entry.
    bool ReadString(const std::string& key, const std::string& name, std::string& value) const;
    // Unsigned decimal or 0x hexadecimal; false when absent or not a number.
    bool ReadDword(const std::string& key, const std::string& name, uint32_t& value) const;

    // Writes go to a temporary file in the same folder that then replaces the old file, so a reader
    // sees the old or the new file, never half of one. False when the file cannot be written.
    bool WriteString(const std::string& key, const std::string& name, const std::string& value);
    bool WriteDword(const std::string& key, const std::string& name, uint32_t value);
    bool DeleteValue(const std::string& key, const std::string& name);
    bool CreateKey(const std::string& key);

private:
    std::filesystem::path m_file;
};

} // namespace plat
