// The extensions that photo recovery keeps (pictures, drawings and a few audio and video types, every
// spelling of the signature types it searches for among them), compared ASCII case-insensitively and
// without the dot; and the photo-mode filter built on it.
#pragma once

#include <cstddef>

class MediaExtensionSet {
public:
    static bool Contains(const char* extension, std::size_t count);
    static bool Contains(const char16_t* extension, std::size_t count);
};

// Photo-mode test of a found entry: folders always pass; a file passes when its name has an
// extension (see GetExtensionA) that is in the media set.
bool PassesPhotoModeFilterA(const char* name, std::size_t length, bool isFolder);
bool PassesPhotoModeFilterW(const char16_t* name, std::size_t length, bool isFolder);
