// Extension extraction shared by both text widths. The whole name is searched whatever its length:
// UTF-8 names may be longer than 255 bytes, and cutting the length would pick the wrong dot.
#include "core/filetypes/FileExtension.h"

namespace {

template <typename Char>
bool ExtractExtension(const Char* name, std::size_t length, const Char** extension, std::size_t* count)
{
    if (name == nullptr || length < 3) return false;
    std::size_t dot = length;
    while (dot > 0) {
        --dot;
        if (name[dot] == Char('.')) break;
    }
    if (name[dot] != Char('.') || dot == 0) return false;
    const std::size_t n = length - dot - 1;
    if (n > kMaxExtractedExtension) return false;
    if (extension != nullptr) *extension = name + dot + 1;
    if (count != nullptr) *count = n;
    return true;
}

} // namespace

bool GetExtensionA(const char* name, std::size_t length, const char** extension, std::size_t* count)
{
    return ExtractExtension(name, length, extension, count);
}

bool GetExtensionW(const char16_t* name, std::size_t length, const char16_t** extension, std::size_t* count)
{
    return ExtractExtension(name, length, extension, count);
}
