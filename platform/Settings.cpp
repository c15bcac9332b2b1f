// Reading and atomically rewriting the settings file. Values are escaped (\\, \n, \r) so any text survives.
#include "platform/Settings.h"

#include "platform/Errors.h"
#include "platform/FdIo.h"
#include "platform/Folders.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace plat {

namespace {

constexpr size_t kMaxFileBytes = 4u << 20; // a settings file larger than this is not ours

std::mutex& FileLock()
{
    static std::mutex m;
    return m;
}

struct Entry {
    std::string name;
    std::string value;
};

struct Section {
    std::string key;
    std::vector<Entry> entries;
};

using Document = std::vector<Section>;

bool SameText(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
               return lower(x) == lower(y);
           });
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::string Unescape(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Names may not hold '=' or line ends; keys may not hold ']' or line ends.
bool ValidName(const std::string& s)
{
    return s.find_first_of("=\r\n") == std::string::npos && Trim(s) == s;
}

bool ValidKey(const std::string& s)
{
    return !s.empty() && s.find_first_of("]\r\n") == std::string::npos && Trim(s) == s;
}

std::optional<std::string> ReadWholeFile(const fs::path& file)
{
    FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string text;
    char buf[8192];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        if (text.size() + n > kMaxFileBytes) {
            std::fclose(f);
            return std::nullopt;
        }
        text.append(buf, n);
    }
    std::fclose(f);
    return text;
}

Document Parse(const std::string& text)
{
    Document doc;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string raw = text.substr(pos, end - pos);
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = Trim(raw);
        pos = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            doc.push_back({line.substr(1, line.size() - 2), {}});
            continue;
        }
        size_t eq = raw.find('=');
        if (eq == std::string::npos || doc.empty()) continue; // stray lines are ignored rather than trusted
        // The value is kept as written, spaces included; only the name is trimmed.
        doc.back().entries.push_back({Trim(raw.substr(0, eq)), Unescape(raw.substr(eq + 1))});
    }
    return doc;
}

std::string Serialise(const Document& doc)
{
    std::string out;
    for (const Section& s : doc) {
        out += '[' + s.key + "]\n";
        for (const Entry& e : s.entries) out += e.name + '=' + Escape(e.value) + '\n';
        out += '\n';
    }
    return out;
}

Document Load(const fs::path& file)
{
    auto text = ReadWholeFile(file);
    return text ? Parse(*text) : Document{};
}

// Files written before the groups had plain names ([Language]) name them by the registry path the program
// once used; such a group is still read, and becomes plain the next time the file is written.
constexpr const char kOldKeyPrefix[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Salvix\\Recovery\\";

// The plain group name of key: an old registry path loses its prefix, any other key stays as it is.
std::string PlainKey(const std::string& key)
{
    const std::string prefix = kOldKeyPrefix;
    if (key.size() > prefix.size() && SameText(key.substr(0, prefix.size()), prefix)) return key.substr(prefix.size());
    return key;
}

// The group of key: its plain name first, else the same group under its old name.
Section* FindSection(Document& doc, const std::string& key)
{
    const std::string plain = PlainKey(key);
    for (Section& s : doc)
        if (SameText(s.key, plain)) return &s;
    for (Section& s : doc)
        if (SameText(PlainKey(s.key), plain)) return &s;
    return nullptr;
}

// The group of key for a write, made when missing; an old name is renamed to the plain one.
Section& SectionForWrite(Document& doc, const std::string& key)
{
    const std::string plain = PlainKey(key);
    Section* s = FindSection(doc, key);
    if (!s) {
        doc.push_back({plain, {}});
        return doc.back();
    }
    s->key = plain;
    return *s;
}

bool WriteAllFd(int fd, const std::string& text)
{
    return plat::WriteFull(fd, text.data(), text.size()).done == text.size();
}

bool Store(const fs::path& file, const Document& doc)
{
    std::error_code ec;
    const fs::path dir = file.parent_path();
    if (!dir.empty() && !fs::is_directory(dir, ec)) {
        fs::create_directories(dir, ec);
        ::chmod(dir.c_str(), 0700);
    }
    std::string temp = (dir / (file.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    bool ok = WriteAllFd(fd, Serialise(doc)) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(temp.c_str(), file.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
}

} // namespace

SettingsFile SettingsFile::Default()
{
    return SettingsFile(ConfigFolder() / "settings.ini");
}

bool SettingsFile::KeyExists(const std::string& key) const
{
    std::lock_guard<std::mutex> lock(FileLock());
    Document doc = Load(m_file);
    return FindSection(doc, key) != nullptr;
}

bool SettingsFile::ReadString(const std::string& key, const std::string& name, std::string& value) const
{
    std::lock_guard<std::mutex> lock(FileLock());
    Document doc = Load(m_file);
    if (Section* s = FindSection(doc, key)) {
        for (const Entry& e : s->entries) {
            if (SameText(e.name, name)) {
                value = e.value;
                SetLastError(kErrSuccess);
                return true;
            }
        }
    }
    SetLastError(kErrFileNotFound);
    return false;
}

bool SettingsFile::ReadDword(const std::string& key, const std::string& name, uint32_t& value) const
{
    std::string text;
    if (!ReadString(key, name, text) || text.empty() || text[0] == '-') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
    value = uint32_t(v);
    return true;
}

bool SettingsFile::WriteString(const std::string& key, const std::string& name, const std::string& value)
{
    if (!ValidKey(key) || !ValidName(name)) return false;
    std::lock_guard<std::mutex> lock(FileLock());
    Document doc = Load(m_file);
    Section* s = &SectionForWrite(doc, key);
    auto it =
        std::find_if(s->entries.begin(), s->entries.end(), [&](const Entry& e) { return SameText(e.name, name); });
    if (it != s->entries.end())
        it->value = value;
    else
        s->entries.push_back({name, value});
    return Store(m_file, doc);
}

bool SettingsFile::WriteDword(const std::string& key, const std::string& name, uint32_t value)
{
    return WriteString(key, name, std::to_string(value));
}

bool SettingsFile::DeleteValue(const std::string& key, const std::string& name)
{
    std::lock_guard<std::mutex> lock(FileLock());
    Document doc = Load(m_file);
    if (!FindSection(doc, key)) return false;
    Section* s = &SectionForWrite(doc, key);
    auto it =
        std::find_if(s->entries.begin(), s->entries.end(), [&](const Entry& e) { return SameText(e.name, name); });
    if (it == s->entries.end()) return false;
    s->entries.erase(it);
    return Store(m_file, doc);
}

bool SettingsFile::CreateKey(const std::string& key)
{
    if (!ValidKey(key)) return false;
    std::lock_guard<std::mutex> lock(FileLock());
    Document doc = Load(m_file);
    if (Section* s = FindSection(doc, key); s && s->key == PlainKey(key)) return true;
    SectionForWrite(doc, key);
    return Store(m_file, doc);
}

} // namespace plat
