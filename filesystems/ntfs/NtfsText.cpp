// UTF-16 to UTF-8 for NTFS names and labels.
#include "filesystems/ntfs/NtfsText.h"

std::string NtfsNameToText(std::u16string_view name, size_t maxBytes, char defaultChar)
{
    std::string out;
    out.reserve(name.size());
    for (size_t i = 0; i < name.size(); ++i) {
        char32_t c = name[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (name[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = static_cast<unsigned char>(defaultChar);
        }
        char buf[4];
        size_t n;
        if (c < 0x80) {
            buf[0] = char(c);
            n = 1;
        } else if (c < 0x800) {
            buf[0] = char(0xC0 | (c >> 6));
            buf[1] = char(0x80 | (c & 0x3F));
            n = 2;
        } else if (c < 0x10000) {
            buf[0] = char(0xE0 | (c >> 12));
            buf[1] = char(0x80 | ((c >> 6) & 0x3F));
            buf[2] = char(0x80 | (c & 0x3F));
            n = 3;
        } else {
            buf[0] = char(0xF0 | (c >> 18));
            buf[1] = char(0x80 | ((c >> 12) & 0x3F));
            buf[2] = char(0x80 | ((c >> 6) & 0x3F));
            buf[3] = char(0x80 | (c & 0x3F));
            n = 4;
        }
        if (maxBytes != 0 && out.size() + n > maxBytes) break;
        out.append(buf, n);
    }
    return out;
}
