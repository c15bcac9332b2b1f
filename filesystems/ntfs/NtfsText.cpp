// UTF-16 to UTF-8 for NTFS names and labels.
#include "filesystems/ntfs/NtfsText.h"

#include "core/TextConverters.h"

std::string NtfsNameToText(std::u16string_view name, size_t maxBytes, char defaultChar)
{
    // Unpaired surrogates take the default character, as names are shown; the rest converts as it stands.
    // The name is copied only when one must be replaced.
    std::u16string replaced;
    std::u16string_view units = name;
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            if (replaced.empty()) {
                replaced.assign(name);
                units = replaced;
            }
            replaced[i] = char16_t(static_cast<unsigned char>(defaultChar));
        }
    }
    const size_t capacity = maxBytes != 0 ? maxBytes : units.size() * 3;
    // Ordinary names convert on the stack and are kept at their own length.
    char small[768];
    if (capacity <= sizeof small)
        return std::string(small, textconv::Utf16ToUtf8(units.data(), units.size(), small, capacity));
    std::string out(capacity, '\0');
    out.resize(textconv::Utf16ToUtf8(units.data(), units.size(), out.data(), capacity));
    return out;
}
