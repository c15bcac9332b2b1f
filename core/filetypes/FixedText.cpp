// Fixed-size text fields cut on UTF-8 character boundaries.
#include "core/filetypes/FixedText.h"

#include <cstring>

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes) return text.size();
    std::size_t cut = maxBytes;
    // Step back over continuation bytes so the byte at the cut starts a character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

void CopyFixedText(char* field, std::size_t size, std::string_view text)
{
    if (size == 0) return;
    const std::size_t n = Utf8PrefixLength(text, size - 1);
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}
