// Short-name lookup over the fixed rows of the RAW type table (row 0, "Raw", is not a type).
#include "core/filetypes/RawTypeMap.h"

#include "core/filetypes/RawTypeTable.h"

#include <string>
#include <type_traits>
#include <unordered_map>

namespace {

// Keys are upper-cased UTF-16 short names of at most five characters.
const std::unordered_map<std::u16string, int>& NameMap()
{
    static const std::unordered_map<std::u16string, int> map = [] {
        std::unordered_map<std::u16string, int> m;
        for (int id = kRawTypeFirstFixed; id <= kRawTypeLastFixed; ++id) {
            std::u16string key;
            for (const char* p = GetRawTypeName(id); *p != '\0'; ++p) key.push_back(static_cast<char16_t>(*p));
            m.emplace(std::move(key), id);
        }
        return m;
    }();
    return map;
}

template <typename Char>
int LookupChars(const Char* extension, std::size_t count)
{
    if (extension == nullptr || count == 0 || count >= kRawTypeNameSize) return 0;
    std::u16string key;
    for (std::size_t i = 0; i < count; ++i) {
        char16_t c = static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(extension[i]));
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
        key.push_back(c);
    }
    const auto& map = NameMap();
    const auto it = map.find(key);
    return it == map.end() ? 0 : it->second;
}

} // namespace

int RawTypeMap::Lookup(const char16_t* extension, std::size_t count)
{
    return LookupChars(extension, count);
}

int RawTypeMap::Lookup(const char* extension, std::size_t count)
{
    return LookupChars(extension, count);
}
