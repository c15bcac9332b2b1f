// The pictures of the found-file views, drawn by the program for the ids the resources lack: folder marks,
// sort arrows, the deleted mark, the list's button strip and tool buttons, and the states legend (whose
// texts follow the language loaded, so install again after a language change).
#pragma once

#include <array>

inline constexpr unsigned kFoundCheckBoxBitmap = 135; // 0 unused, 1 empty, 2 partial, 3 tick; red transparent
inline constexpr unsigned kFolderImagesBitmap = 139;  // 80 x 16: drive, folder, D, ?, U; magenta transparent
inline constexpr unsigned kSortArrowBitmap = 132;     // 36 x 12: unused, up, down; magenta transparent
inline constexpr unsigned kDeletedMarkBitmap = 226;   // 9 x 11 red "d"; magenta transparent
inline constexpr unsigned kFileListBackBitmap = 144;  // 500 x 32 background of the tool buttons
inline constexpr unsigned kStatesLegendBitmap = 129;  // 153 x 158

// Normal, hover, push and disabled faces of the four tool buttons of a file list.
inline constexpr std::array<unsigned, 4> kViewButtonBitmaps = {411, 410, 409, 408};
inline constexpr std::array<unsigned, 4> kSelectButtonBitmaps = {390, 389, 388, 387};
inline constexpr std::array<unsigned, 4> kDeselectButtonBitmaps = {205, 204, 203, 202};
inline constexpr std::array<unsigned, 4> kStateButtonBitmaps = {394, 398, 392, 391};

void InstallFoundFilePictures();
