// What every kind of found-file properties stores the same way: the counted texts of names, and the block
// of fields that follows the name in NTFS, FAT and ext2 properties (size, attributes, three times, state).
#pragma once

#include "filesystems/tree/IFileProperties.h"

#include <cstddef>
#include <cstdint>
#include <string>

class IRSData;

// Stored little-endian in this order: size (8), attributes (2), creation, modification and access time
// (8 each, FILETIME), state (1).
struct FoundFileFields {
    uint64_t size = 0;
    uint16_t attributes = 0;
    FILETIME creationTime = 0;
    FILETIME modificationTime = 0;
    FILETIME accessTime = 0;
    uint8_t state = 0;

    void Write(IRSData* stream) const;
    static FoundFileFields Read(IRSData* stream);
};

// Writes exactly length bytes: the first bytes of the text, padded with zeros when the text is shorter (as
// for a stored length that counts the terminator). Nothing for length 0.
void WriteCountedText(IRSData* stream, const std::string& text, size_t length);
// A stored text of exactly length bytes (the caller has capped the length), cut at its first zero as a
// terminated buffer would read it.
std::string ReadCountedText(IRSData* stream, size_t length);
