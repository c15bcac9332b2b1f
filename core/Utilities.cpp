// The small shared helpers.
#include "core/Utilities.h"

#include "core/TextConverters.h"
#include "platform/Folders.h"

#include <climits>
#include <cstring>

namespace {

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 32) : c;
}

} // namespace

bool CompareNoCase(const std::string& a, const std::string& b)
{
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(Upper(a[i]));
        const unsigned char y = static_cast<unsigned char>(Upper(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool GetModulePath(char* buffer, int size)
{
    if (!buffer || size <= 0) return false;
    const std::string folder = plat::ProgramFolder().string();
    if (folder.empty()) return false;
    std::string withSlash = folder.back() == '/' ? folder : folder + '/';
    if (withSlash.size() + 1 > size_t(size)) return false;
    std::memcpy(buffer, withSlash.c_str(), withSlash.size() + 1);
    return true;
}

std::string WideToMultiByteString(std::u16string_view wide)
{
    if (wide.empty() || wide.size() > size_t(INT_MAX / 4)) return {};
    std::string out(wide.size() * 3, '\0'); // one unit never needs more than 3 bytes (a pair needs 4 for 2)
    const int n = WideToAnsi(wide.data(), int(wide.size()), out.data(), int(out.size()));
    out.resize(n > 0 ? size_t(n) : 0);
    out.resize(std::strlen(out.c_str())); // the text ends at its first terminator, as the callers' buffers do
    return out;
}

std::u16string MultiByteToWideString(std::string_view text)
{
    if (text.empty() || text.size() > size_t(INT_MAX)) return {};
    std::u16string out(text.size(), u'\0');
    const int n = AnsiToWide(text.data(), int(text.size()), out.data(), int(out.size()));
    out.resize(n > 0 ? size_t(n) : 0);
    return out;
}

bool IsSingleChar(const char* text, char c)
{
    return text && text[0] == c && text[0] != '\0' && text[1] == '\0';
}
