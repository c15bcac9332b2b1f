// Header-script parsing: lines, keys, attribute values, hexadecimal numbers and signature items.
#include "raw/CScriptProcess.h"

#include <cctype>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return TrimRight(s);
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view KeyOf(std::string_view line)
{
    const size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : TrimRight(line.substr(0, colon));
}

} // namespace

bool CScriptProcess::Open(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Reject("cannot be opened");
    std::vector<uint8_t> bytes(kMaxScriptBytes + 1);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            ::close(fd);
            return Reject("cannot be read");
        }
        if (n == 0) break;
        got += size_t(n);
    }
    ::close(fd);
    bytes.resize(got);
    SetText(bytes);
    return true;
}

void CScriptProcess::SetText(std::span<const uint8_t> bytes)
{
    Close();
    m_tooLong = bytes.size() > kMaxScriptBytes;
    if (m_tooLong) bytes = bytes.first(kMaxScriptBytes);
    const auto zero = std::find(bytes.begin(), bytes.end(), uint8_t(0));
    m_text.assign(bytes.begin(), zero);
    std::string_view rest(m_text);
    while (true) {
        const size_t crlf = rest.find("\r\n");
        m_lines.push_back(Trim(rest.substr(0, crlf)));
        if (crlf == std::string_view::npos) break;
        rest.remove_prefix(crlf + 2);
    }
    m_open = true;
}

void CScriptProcess::Close()
{
    m_open = false;
    m_tooLong = false;
    m_text.clear();
    m_lines.clear();
    m_error.clear();
    m_errorLine = 0;
}

bool CScriptProcess::Reject(const char* reason)
{
    if (m_error.empty()) m_error = reason;
    return false;
}

bool CScriptProcess::Validate()
{
    if (!m_open) return Reject("not open");
    if (m_tooLong) return Reject("longer than 1024 bytes");
    for (size_t i = 0; i < m_lines.size(); ++i) {
        if (!ValidateLine(m_lines[i])) {
            m_errorLine = int(i) + 1;
            return false;
        }
    }
    return true;
}

bool CScriptProcess::ValidateLine(std::string_view line)
{
    const std::string_view key = KeyOf(line);
    if (EqualsNoCase(key, "FILEINFO")) return ParseFileInfo(line);
    if (EqualsNoCase(key, "FILESIGN")) return ParseFileSign(line, nullptr);
    if (EqualsNoCase(key, "REMARK")) return true;
    return Reject(line.empty() ? "empty line" : "unknown key");
}

std::string_view CScriptProcess::GetValue(std::string_view line, std::string_view name)
{
    const size_t at = line.find(name);
    if (at == std::string_view::npos) return {};
    const size_t eq = line.find('=', at);
    if (eq == std::string_view::npos) return {};
    if (TrimRight(line.substr(at, eq - at)) != name) return {};
    size_t p = eq + 1;
    while (p < line.size() && IsBlank(line[p])) ++p;
    if (p >= line.size()) return {};
    if (line[p] == '"') {
        const size_t last = line.rfind('"');
        return line.substr(p, last - p + 1);
    }
    size_t end = p;
    while (end < line.size() && !IsBlank(line[end]) && line[end] != '\n') ++end;
    return line.substr(p, end - p);
}

bool CScriptProcess::ParseHex(std::string_view text, uint32_t& value)
{
    if (text.size() < 3 || text.size() > 10) return false;
    if (text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    uint32_t v = 0;
    for (char c : text.substr(2)) {
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                      : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                                                                  : -1;
        if (d < 0) return false;
        v = v * 16 + uint32_t(d);
    }
    value = v;
    return true;
}

bool CScriptProcess::ParseFileInfo(std::string_view line)
{
    const std::string_view value = GetValue(line, "EXTNAME");
    if (value.size() < 2) return Reject("EXTNAME missing");
    const std::string_view ext = value.substr(1, value.size() - 2);
    if (ext.empty() || ext.size() > 16) return Reject("EXTNAME of 1 to 16 characters expected");
    if (ext.size() > kMaxExtensionLength) return Reject("EXTNAME longer than 5 characters");
    for (char c : ext)
        if (c == '/' || c == '\\' || c == '.' || static_cast<unsigned char>(c) < 0x20 || IsBlank(c))
            return Reject("EXTNAME holds a character a file name cannot end with");
    const std::string_view size = GetValue(line, "SIZE");
    uint32_t bytes = 0;
    if (!size.empty() && !ParseHex(size, bytes)) return Reject("SIZE is not a hexadecimal number");
    return true;
}

bool CScriptProcess::ParseFileSign(std::string_view line, CustomSignItem* item)
{
    line = Trim(line);
    if (line.empty()) return Reject("empty line");
    uint32_t offset = 0;
    const std::string_view offsetText = GetValue(line, "OFFSET");
    if (offsetText.empty() || !ParseHex(offsetText, offset) || offset > kMaxOffset)
        return Reject("OFFSET must be a hexadecimal number of at most 0x1F0");
    const std::string_view type = GetValue(line, "TYPE");
    const std::string_view value = GetValue(line, "VALUE");
    if (type.empty() || value.empty()) return Reject("TYPE and VALUE expected");
    if (value.back() == ',') return Reject("VALUE ends with a comma");
    CustomSignItem parsed;
    parsed.offset = offset;
    if (EqualsNoCase(type, "CHAR")) {
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            return Reject("a CHAR VALUE is quoted text");
        const std::string_view text = value.substr(1, value.size() - 2);
        if (text.size() > kMaxItemLength) return Reject("VALUE longer than 16 bytes");
        parsed.length = uint32_t(text.size());
        std::memcpy(parsed.bytes, text.data(), text.size());
    } else if (EqualsNoCase(type, "BYTE")) {
        std::string_view rest = value;
        uint32_t count = 0;
        while (true) {
            const size_t comma = rest.find(',');
            const std::string_view piece = rest.substr(0, comma);
            uint32_t byte = 0;
            if (count == kMaxItemLength) return Reject("VALUE longer than 16 bytes");
            if (!ParseHex(piece, byte) || byte > 0xFF) return Reject("a BYTE VALUE piece is not a byte in hex");
            parsed.bytes[count++] = uint8_t(byte);
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        parsed.length = count;
    } else {
        return Reject("TYPE must be CHAR or BYTE");
    }
    if (item) *item = parsed;
    return true;
}

bool CScriptProcess::GetExtension(std::string& extension)
{
    for (std::string_view line : m_lines) {
        if (!EqualsNoCase(KeyOf(line), "FILEINFO")) continue;
        const std::string_view value = GetValue(line, "EXTNAME");
        if (value.size() < 3) return false;
        extension.assign(value.substr(1, value.size() - 2));
        for (char& c : extension) c = char(std::toupper(static_cast<unsigned char>(c)));
        return true;
    }
    return Reject("no FILEINFO line");
}

uint64_t CScriptProcess::GetFileSize()
{
    for (std::string_view line : m_lines) {
        if (!EqualsNoCase(KeyOf(line), "FILEINFO")) continue;
        uint32_t size = 0;
        return ParseHex(GetValue(line, "SIZE"), size) ? size : 0;
    }
    return 0;
}

bool CScriptProcess::NextSign(int& index, CustomSignItem& item)
{
    while (index >= 0 && size_t(index) < m_lines.size()) {
        const std::string_view line = m_lines[size_t(index++)];
        if (EqualsNoCase(KeyOf(line), "FILESIGN")) return ParseFileSign(line, &item);
    }
    return false;
}
