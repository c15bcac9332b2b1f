// Extraction of a file name's extension (the text after its last dot) as the RAW type tables and
// the photo-mode filter read it, for 8-bit (UTF-8) and UTF-16 names.
#pragma once

#include <cstddef>

inline constexpr std::size_t kMaxExtractedExtension = 4;

// True when the name of the given length (in characters) has an extension: it is at least three
// characters long, its last dot is not its first character and at most four characters follow it.
// The extension then starts at *extension and holds *count characters; a name ending in a dot
// gives an empty extension (true, count 0), which matches no type.
bool GetExtensionA(const char* name, std::size_t length, const char** extension, std::size_t* count);
bool GetExtensionW(const char16_t* name, std::size_t length, const char16_t** extension, std::size_t* count);
