// One long-name piece of a FAT directory: its up to 13 UTF-16 units, and the conversion of those units (or
// of a whole name gathered from several pieces) to the program's 8-bit text, UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CFATLongNameEntry {
public:
    // Appends the piece's units up to (not including) its first zero unit; the 0xFFFF fill after a name's
    // terminator is therefore never taken. Entries shorter than 32 bytes give nothing.
    static void AppendUnits(std::span<const uint8_t> entry, std::u16string& out);

    // The piece alone as text (at most 100 bytes): false when the piece holds no unit.
    static bool ToMultiByte(std::span<const uint8_t> entry, std::string& out);

    // UTF-16 to UTF-8; a unit that is half of a surrogate pair without its other half becomes '_'.
    static std::string UnitsToText(const std::u16string& units);
};
