// The GPT partition types that the table reader takes, by type GUID.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct GptPartitionType {
    uint16_t number; // 1..52
    const char* description;
    const char* guid; // upper case, 8-4-4-4-12
};

// The 52 known types in table order. Row 1 (the MBR partition scheme) is known but never taken.
std::span<const GptPartitionType> GetGptPartitionTypes();

// A 16-byte on-disk GUID (first three fields little-endian) as upper-case 8-4-4-4-12 text.
std::string FormatGptGuid(std::span<const uint8_t, 16> guid);

// The first row whose GUID equals the entry's type GUID, or null.
const GptPartitionType* FindGptPartitionType(std::span<const uint8_t, 16> guid);
// Whether an entry of this type is listed: a known type other than row 1.
bool IsGptPartitionTypeTaken(std::span<const uint8_t, 16> guid);
