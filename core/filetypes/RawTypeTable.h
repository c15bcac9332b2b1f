// The process-wide RAW type table: short name and description of every RAW type id, the fixed
// signature types 1..73 and the rows 1000..1999 claimed at run time for header-script extensions.
#pragma once

#include "core/filetypes/RawTypeIds.h"

#include <array>
#include <string_view>
#include <vector>
#include <cstddef>

inline constexpr int kRawTypeRowCount = 2000;
inline constexpr int kRawTypeFirstFixed = 1;
inline constexpr int kRawTypeLastFixed = RawType::kNEF;
inline constexpr int kRawTypeFirstCustom = 1000;
inline constexpr int kRawTypeLastCustom = 1999;
inline constexpr std::size_t kRawTypeNameSize = 6; // five characters and the terminator
inline constexpr std::size_t kRawTypeDescriptionSize = 80;

// The signature types searched in photo recovery, in the order they are put into the options:
inline constexpr std::array<int, 20> kPhotoModeRawTypes = {
    RawType::kBMP, RawType::kMAX, RawType::kCDR, RawType::kCRW, RawType::kEMF, RawType::kEPS, RawType::kGIF,
    RawType::kJPG, RawType::kPNG, RawType::kPSD, RawType::kPSP, RawType::kTIF, RawType::kAVI, RawType::kMID,
    RawType::kMOV, RawType::kMP3, RawType::kSWF, RawType::kWAV, RawType::kWMF, RawType::kOLE};

// Short name of a type id ("JPG"); the empty text for a row without a type or an id outside 0..1999.
// The pointer stays valid for the life of the process; a custom row's text changes only while it
// is empty (it is claimed once and never released).
const char* GetRawTypeName(int id);

// Description of a type id ("JPEG Graphics file"); empty for custom rows and rows without a type.
const char* GetRawTypeDescription(int id);

// The file extension of a fixed type in lower case, without the dot ("jpg", "accdb"), used to ask
// for the type's icon; empty for other ids.
const char* GetRawTypeFileExtension(int id);

// Every extension in common use for a fixed type, in lower case without the dot, the one above first
// ("jpg", "jpeg", "jpe", "jfif"); the same lists as the file-type catalogue's. Empty for other ids. The
// texts live as long as the process.
std::vector<std::string_view> GetRawTypeFileExtensions(int id);

// Claims the custom row for a header-script extension: the row among 1000..1999 whose short name
// equals the extension (ASCII case-insensitive), else the first empty row, into which the first
// five characters of the extension are written. Returns the row's id, or 0 when the extension is
// empty or every row holds another extension. Safe to call from any thread.
int ClaimCustomRawType(const char* extension);

// The ids of the custom rows claimed so far, ascending.
std::vector<int> GetCustomRawTypeIds();

// Empties every custom row (tests only).
void ResetCustomRawTypesForTest();
