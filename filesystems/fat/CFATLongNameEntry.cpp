// Long-name pieces: unit gathering by the three fixed slots of a piece and UTF-16 to UTF-8 conversion.
#include "filesystems/fat/CFATLongNameEntry.h"

#include "core/bytes/ByteReader.h"

namespace {

constexpr size_t kSlots[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

void PutUtf8(char32_t cp, std::string& out)
{
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

} // namespace

void CFATLongNameEntry::AppendUnits(std::span<const uint8_t> entry, std::u16string& out)
{
    if (entry.size() < 32) return;
    bytes::ByteReader r(entry);
    for (size_t at : kSlots) {
        const char16_t unit = char16_t(r.u16le(at));
        if (unit == 0) return;
        out.push_back(unit);
    }
}

bool CFATLongNameEntry::ToMultiByte(std::span<const uint8_t> entry, std::string& out)
{
    std::u16string units;
    AppendUnits(entry, units);
    out = UnitsToText(units);
    if (out.size() > 100) out.resize(100);
    return !units.empty();
}

std::string CFATLongNameEntry::UnitsToText(const std::u16string& units)
{
    std::string out;
    out.reserve(units.size() * 3);
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            PutUtf8(0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(units[i + 1]) - 0xDC00), out);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back('_');
        } else {
            PutUtf8(u, out);
        }
    }
    return out;
}
