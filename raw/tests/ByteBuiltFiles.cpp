// Byte-built files for the formats without a Debian tool to write them.
#include "raw/tests/ByteBuiltFiles.h"

#include <cstring>

namespace walktest {

namespace {
const uint8_t kImageSentinel[16] = {0x1F, 0x25, 0x6D, 0x07, 0xD4, 0x36, 0x28, 0x28,
                                    0x9D, 0x57, 0xCA, 0x3F, 0x9D, 0x44, 0x10, 0x2B};
const uint8_t kHeaderSentinel[16] = {0x68, 0x40, 0xF8, 0xF7, 0x92, 0x2A, 0xB5, 0xEF,
                                     0x18, 0xDD, 0x0B, 0xF1, 0xF1, 0xBB, 0xE9, 0xEB};

void Put(Bytes& b, size_t at, const void* data, size_t n)
{
    Reserve(b, at + n);
    std::memcpy(b.data() + at, data, n);
}
} // namespace

Bytes MakePsp(size_t blocks, size_t blockData)
{
    Bytes b = FromText("Paint Shop Pro Image File\n\x1a");
    b.resize(32, 0);
    PutU16le(b, 32, 5); // major version
    PutU16le(b, 34, 0);
    for (size_t i = 0; i < blocks; ++i) {
        const size_t at = b.size();
        Put(b, at, "~BK\0", 4);
        PutU16le(b, at + 4, static_cast<uint16_t>(i));
        PutU32le(b, at + 6, static_cast<uint32_t>(blockData));
        for (size_t k = 0; k < blockData; ++k) b.push_back(static_cast<uint8_t>(0x40 + (k % 50)));
    }
    return b;
}

Bytes MakeCpt()
{
    Bytes b = FromText("CPT9FILE");
    PutU32le(b, 40, 2);   // entries
    PutU32le(b, 52, 316); // table
    PutU32le(b, 316, 700);
    PutU32le(b, 324, 1000); // the last entry: record R
    PutU32le(b, 1000 + 32, 0);
    PutU32le(b, 1000 + 60, 2000); // A
    PutU32le(b, 1000 + 64, 1);    // B
    PutU32le(b, 2000 - 8, 1500);
    PutU32le(b, 2000 - 4, 700);
    for (size_t i = 2000; i < 2200; ++i) b.push_back(static_cast<uint8_t>(i * 13));
    Reserve(b, 2200);
    return b;
}

Bytes MakeMdb(bool ace, size_t pages)
{
    Bytes b;
    AppendBytes(b, {0x00, 0x01, 0x00, 0x00});
    Append(b, ace ? "Standard ACE DB" : "Standard Jet DB");
    b.push_back(0);
    b.resize(pages * 4096, 0);
    for (size_t p = 1; p < pages; ++p) {
        b[p * 4096] = static_cast<uint8_t>(1 + p % 8); // page type
        b[p * 4096 + 1] = 1;
    }
    return b;
}

Bytes MakeDwg2000()
{
    Bytes b = FromText("AC1015");
    b.resize(8, 0);
    PutU32le(b, 13, 0x480); // image address
    PutU32le(b, 21, 3);     // locators
    const uint32_t locators[3][2] = {{0x100, 0x200}, {0x500, 0x80}, {0x300, 0x100}};
    for (uint32_t i = 0; i < 3; ++i) {
        Reserve(b, 25 + 9 * i + 9);
        b[25 + 9 * i] = static_cast<uint8_t>(i);
        PutU32le(b, 25 + 9 * i + 1, locators[i][0]);
        PutU32le(b, 25 + 9 * i + 5, locators[i][1]);
    }
    Put(b, 0x480, kImageSentinel, 16);
    Reserve(b, 0x580);
    return b;
}

Bytes MakeDwg2004(size_t size)
{
    Bytes b = FromText("AC1018");
    b.resize(size, 0);
    Put(b, 128, kHeaderSentinel, 16);
    Put(b, size - 108, kHeaderSentinel, 16);
    return b;
}

Bytes MakeDwg2007(size_t size)
{
    Bytes b = FromText("AC1021");
    b.resize(size, 0x11);
    b[6] = b[7] = 0;
    const uint8_t sentinel[16] = {0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8,
                                  0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB0};
    Put(b, 128, sentinel, 16);
    Put(b, size - 1024, sentinel, 16);
    return b;
}

Bytes MakeDxf()
{
    Bytes b = FromText("  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n  0\r\nENDSEC\r\n");
    Append(b, "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n  0\r\nLINE\r\n  8\r\n0\r\n 10\r\n0.0\r\n 20\r\n0.0\r\n");
    Append(b, "  0\r\nENDSEC\r\n  0\r\nEOF\r\n");
    return b;
}

Bytes MakeFh11()
{
    Bytes b;
    AppendBytes(b, {0x1C, 0x01, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x01, 0x14, 0x00, 0x02, 0x00, 0x14, 0x1C, 0x01});
    b.resize(34, 0x20);
    AppendBytes(b, {0x31, 0x31});
    for (int i = 0; i < 600; ++i) b.push_back(static_cast<uint8_t>(0x30 + i % 40));
    Append(b, "Decode");
    AppendBytes(b, {0x00, 0xFF, 0xFF, 0xFF, 0xFF});
    return b;
}

std::vector<BuiltFile> AllBuiltFiles()
{
    return {{"psp", 51, MakePsp()},         {"cpt", 15, MakeCpt()},         {"mdb", 37, MakeMdb(false)},
            {"accdb", 72, MakeMdb(true)},   {"dwg2000", 22, MakeDwg2000()}, {"dwg2004", 22, MakeDwg2004()},
            {"dwg2007", 22, MakeDwg2007()}, {"dxf", 23, MakeDxf()},         {"fh11", 27, MakeFh11()}};
}

} // namespace walktest
