// Cleaning, shortening and numbering of target names.
#include "storage/saving/TargetNames.h"

#include "core/PathHelpers.h"
#include "core/TextConverters.h"

#include <cstdio>

std::string CleanNameComponent(std::string_view name)
{
    if (name.empty() || name == "." || name == "..") return "#";
    return ReplaceForbiddenNameChars(name);
}

void SplitExtension(std::string_view name, std::string_view& stem, std::string_view& extension)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        stem = name;
        extension = {};
        return;
    }
    stem = name.substr(0, dot);
    extension = name.substr(dot);
}

std::string_view CutOnCharacter(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes) return text;
    size_t at = 0;
    while (at < text.size()) {
        uint32_t value = 0;
        int length = textconv::DecodeUtf8Char(text.data() + at, text.size() - at, value);
        if (length <= 0) length = 1;
        if (at + size_t(length) > maxBytes) break;
        at += size_t(length);
    }
    return text.substr(0, at);
}

namespace {

// stem cut so that stem + suffix + extension fit; the extension goes too when it leaves no room.
std::string Compose(std::string_view stem, std::string_view suffix, std::string_view extension, size_t maxBytes)
{
    if (extension.size() > kMaxKeptExtensionBytes || extension.size() + suffix.size() >= maxBytes) {
        // Keep the whole name as the stem, cut as a whole.
        const std::string whole = std::string(stem) + std::string(extension);
        const size_t room = maxBytes > suffix.size() ? maxBytes - suffix.size() : 0;
        return std::string(CutOnCharacter(whole, room)) + std::string(suffix);
    }
    const size_t room = maxBytes - suffix.size() - extension.size();
    return std::string(CutOnCharacter(stem, room)) + std::string(suffix) + std::string(extension);
}

std::string NumberSuffix(int number)
{
    char text[24];
    std::snprintf(text, sizeof text, "_%03d", number);
    return text;
}

} // namespace

std::string ShortenName(std::string_view name, size_t maxBytes)
{
    if (name.size() <= maxBytes) return std::string(name);
    std::string_view stem, extension;
    SplitExtension(name, stem, extension);
    return Compose(stem, {}, extension, maxBytes);
}

std::string NumberedFileName(std::string_view name, int number, size_t maxBytes)
{
    std::string_view stem, extension;
    SplitExtension(name, stem, extension);
    return Compose(stem, NumberSuffix(number), extension, maxBytes);
}

std::string NumberedFolderName(std::string_view name, int number, size_t maxBytes)
{
    return Compose(name, NumberSuffix(number), {}, maxBytes);
}
