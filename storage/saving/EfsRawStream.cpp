// Heads of the raw backup stream of an encrypted file.
#include "storage/saving/EfsRawStream.h"

namespace {

void Put32(uint8_t* b, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}

void Put16(uint8_t* b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

// ASCII text as UTF-16LE without terminator.
void PutTag(uint8_t* b, size_t at, const char* text)
{
    for (size_t i = 0; text[i]; ++i) {
        b[at + 2 * i] = uint8_t(text[i]);
        b[at + 2 * i + 1] = 0;
    }
}

} // namespace

std::array<uint8_t, kEfsRawHeaderBytes> MakeEfsRawHeader(uint32_t efsLength)
{
    std::array<uint8_t, kEfsRawHeaderBytes> b{};
    Put32(b.data(), 0, 256);
    PutTag(b.data(), 4, "ROBS");
    Put32(b.data(), 20, 30);
    PutTag(b.data(), 24, "NTFS");
    Put32(b.data(), 44, 2);
    Put16(b.data(), 48, 0x1910);
    Put32(b.data(), kEfsRawHeaderLengthOffset, efsLength + 16);
    PutTag(b.data(), 54, "GURE");
    return b;
}

std::array<uint8_t, kEfsStreamHeaderBytes> MakeEfsStreamHeader()
{
    std::array<uint8_t, kEfsStreamHeaderBytes> b{};
    Put32(b.data(), 0, 42);
    PutTag(b.data(), 4, "NTFS");
    Put32(b.data(), 24, 14);
    PutTag(b.data(), 28, "::$DATA");
    return b;
}

std::array<uint8_t, kEfsDataBlockHeaderBytes> MakeEfsDataBlockHeader(uint16_t index, uint32_t blockLength,
                                                                     uint32_t realBytes)
{
    std::array<uint8_t, kEfsDataBlockHeaderBytes> b{};
    Put32(b.data(), 0, blockLength + 512);
    PutTag(b.data(), 4, "GURE");
    Put16(b.data(), 18, index);
    Put32(b.data(), 24, 496);
    Put32(b.data(), 28, realBytes);
    Put32(b.data(), 32, realBytes);
    Put32(b.data(), 36, 0x10100000);
    Put32(b.data(), 40, 0x0001010B);
    Put32(b.data(), 44, blockLength);
    return b;
}
