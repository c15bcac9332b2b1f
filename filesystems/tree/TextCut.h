// Cutting UTF-8 text to a byte limit without splitting a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The longest prefix of text of at most maxBytes bytes that does not end inside a multi-byte sequence.
inline std::string CutUtf8(std::string_view text, size_t maxBytes)
{
    if (text.size() <= maxBytes) return std::string(text);
    size_t end = maxBytes;
    // Step back over continuation bytes so the cut lands before the lead byte of a split character; more
    // than three in a row is not UTF-8, and then the bytes are cut where the limit falls.
    int steps = 0;
    while (end > 0 && steps < 4 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
        ++steps;
    }
    if (steps == 4) end = maxBytes;
    return std::string(text.substr(0, end));
}
