// Copies text into the fixed-size, zero-terminated fields of the type tables and the catalogue,
// cutting on a UTF-8 character boundary so that a field never ends in half a character.
#pragma once

#include <cstddef>
#include <string_view>

// Length of the longest prefix of text that holds at most maxBytes bytes and ends on a character
// boundary (a cut never leaves a lead byte without its continuation bytes).
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);

// Writes at most size - 1 bytes of text (cut as above) and a terminator; the rest of the field is zeroed.
void CopyFixedText(char* field, std::size_t size, std::string_view text);

template <std::size_t N>
void CopyFixedText(char (&field)[N], std::string_view text)
{
    CopyFixedText(field, N, text);
}
