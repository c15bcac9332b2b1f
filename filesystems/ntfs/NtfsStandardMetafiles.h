// The content a format of NTFS 3.x writes into $AttrDef (the 2560-byte attribute-definition table) and
// $UpCase (65,536 UTF-16 upper-case mappings, 131,072 bytes), and the tests that tell a 512-byte unit of a
// scanned sector as a piece of either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr size_t kNtfsContentUnit = 512;
inline constexpr size_t kStandardAttrDefBytes = 2560;
inline constexpr size_t kStandardUpCaseBytes = 131072;

std::span<const uint8_t> StandardAttrDef();
std::span<const uint8_t> StandardUpCase();

// The unit (0 to 4) of the standard $AttrDef that the 512 bytes equal, tried in order, or -1.
int MatchStandardAttrDefUnit(std::span<const uint8_t> unit);
// The 512 bytes equal unit n of the standard $UpCase, n being the unit's second byte.
bool IsStandardUpCaseUnit(std::span<const uint8_t> unit);
