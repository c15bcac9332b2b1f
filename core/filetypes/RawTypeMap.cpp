// Short-name and extension lookups over the fixed rows of the RAW type table (row 0, "Raw", is not a type).
#include "core/filetypes/RawTypeMap.h"

#include "core/filetypes/RawTypeTable.h"

#include <string>
#include <string_view>
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

char16_t Upper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// Keys are upper-cased UTF-16 extensions of every fixed type; no extension belongs to two types.
const std::unordered_map<std::u16string, int>& ExtensionMap()
{
    static const std::unordered_map<std::u16string, int> map = [] {
        std::unordered_map<std::u16string, int> m;
        for (int id = kRawTypeFirstFixed; id <= kRawTypeLastFixed; ++id) {
            for (std::string_view extension : GetRawTypeFileExtensions(id)) {
                std::u16string key;
                for (char c : extension) key.push_back(Upper(static_cast<char16_t>(static_cast<unsigned char>(c))));
                m.emplace(std::move(key), id);
            }
        }
        return m;
    }();
    return map;
}

// Longer keys are in neither map.
constexpr std::size_t kLongestKey = 8;

template <typename Char>
int LookupChars(const std::unordered_map<std::u16string, int>& map, const Char* extension, std::size_t count)
{
    if (extension == nullptr || count == 0 || count > kLongestKey) return 0;
    std::u16string key;
    for (std::size_t i = 0; i < count; ++i)
        key.push_back(Upper(static_cast<char16_t>(static_cast<std::make_unsigned_t<Char>>(extension[i]))));
    const auto it = map.find(key);
    return it == map.end() ? 0 : it->second;
}

} // namespace

int RawTypeMap::Lookup(const char16_t* extension, std::size_t count)
{
    return count < kRawTypeNameSize ? LookupChars(NameMap(), extension, count) : 0;
}

int RawTypeMap::Lookup(const char* extension, std::size_t count)
{
    return count < kRawTypeNameSize ? LookupChars(NameMap(), extension, count) : 0;
}

int RawTypeMap::LookupExtension(const char16_t* extension, std::size_t count)
{
    return LookupChars(ExtensionMap(), extension, count);
}

int RawTypeMap::LookupExtension(const char* extension, std::size_t count)
{
    return LookupChars(ExtensionMap(), extension, count);
}
