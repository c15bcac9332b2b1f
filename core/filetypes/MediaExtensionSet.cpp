// Media-extension set and the photo-mode filter.
#include "core/filetypes/MediaExtensionSet.h"

#include "core/filetypes/FileExtension.h"
#include "core/filetypes/RawTypeTable.h"

#include <set>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

// The list as the program has always carried it; "eps" and "aif" appear twice.
constexpr const char* kMediaExtensions[] = {
    "psd", "bmp", "crw", "cdr",  "eps", "emf", "gif", "shp", "shx", "jpg", "jpeg",
    "lws", "psp", "max", "mix",  "png", "ppm", "eps", "qxd", "swf", "sdr", "tiff",
    "wmf", "xar", "aif", "aiff", "avi", "aif", "cwp", "sc4", "lso", "mp3", "mpg",
};

// The list, and every spelling of the signature types photo recovery searches for: a file system's "scan.tif",
// "photo.jpe" or "clip.mov" is kept as a signature hit of the same type would be.
const std::set<std::string>& MediaSet()
{
    static const std::set<std::string> set = [] {
        std::set<std::string> s(std::begin(kMediaExtensions), std::end(kMediaExtensions));
        for (int id : kPhotoModeRawTypes)
            for (std::string_view extension : GetRawTypeFileExtensions(id)) s.emplace(extension);
        return s;
    }();
    return set;
}

template <typename Char>
bool ContainsChars(const Char* extension, std::size_t count)
{
    if (extension == nullptr || count == 0 || count > 4) return false;
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = static_cast<std::make_unsigned_t<Char>>(extension[i]);
        if (c >= 0x80) return false; // every entry is ASCII
        char a = static_cast<char>(c);
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        key.push_back(a);
    }
    return MediaSet().count(key) != 0;
}

} // namespace

bool MediaExtensionSet::Contains(const char* extension, std::size_t count)
{
    return ContainsChars(extension, count);
}

bool MediaExtensionSet::Contains(const char16_t* extension, std::size_t count)
{
    return ContainsChars(extension, count);
}

bool PassesPhotoModeFilterA(const char* name, std::size_t length, bool isFolder)
{
    if (isFolder) return true;
    const char* ext = nullptr;
    std::size_t count = 0;
    return GetExtensionA(name, length, &ext, &count) && MediaExtensionSet::Contains(ext, count);
}

bool PassesPhotoModeFilterW(const char16_t* name, std::size_t length, bool isFolder)
{
    if (isFolder) return true;
    const char16_t* ext = nullptr;
    std::size_t count = 0;
    return GetExtensionW(name, length, &ext, &count) && MediaExtensionSet::Contains(ext, count);
}
