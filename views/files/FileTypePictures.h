// The pictures of the file-type trees: the state-image strip (a blank, then unchecked, partly checked and
// checked boxes, 16 x 16 each, on pure red as the transparent colour) and the six 32 x 32 category
// pictures (documents, pictures, audio and video, archives, email and databases, other).
#pragma once

#include <array>

inline constexpr unsigned kFileTypeStateBitmap = 135;
// Bitmap ids by category picture index 0..5.
inline constexpr std::array<unsigned, 6> kCategoryBitmaps = {530, 527, 526, 529, 528, 525};

// Registers the drawings for those ids that the resources lack.
void InstallFileTypePictures();
