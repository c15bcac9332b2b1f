// Byte-built first sectors of the formats the signature tests know, for the RAW tests and benchmarks.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace rawtest {

using Sector = std::array<uint8_t, 512>;

inline void Put(Sector& s, size_t at, const char* text)
{
    std::memcpy(s.data() + at, text, std::strlen(text));
}
inline void Bytes(Sector& s, size_t at, std::initializer_list<uint8_t> bytes)
{
    for (uint8_t b : bytes) s[at++] = b;
}
inline void Le16(Sector& s, size_t at, uint16_t v)
{
    s[at] = uint8_t(v), s[at + 1] = uint8_t(v >> 8);
}
inline void Le32(Sector& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + i] = uint8_t(v >> (8 * i));
}
inline void Le64(Sector& s, size_t at, uint64_t v)
{
    for (int i = 0; i < 8; ++i) s[at + i] = uint8_t(v >> (8 * i));
}
inline void Be16(Sector& s, size_t at, uint16_t v)
{
    s[at] = uint8_t(v >> 8), s[at + 1] = uint8_t(v);
}
inline void Be32(Sector& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + i] = uint8_t(v >> (24 - 8 * i));
}

// 3DS of 5000 bytes.
inline void Make3ds(Sector& s)
{
    Le16(s, 0, 0x4D4D), Le32(s, 2, 5000), Le16(s, 6, 2), Le32(s, 8, 10), Le32(s, 12, 3), Le16(s, 16, 0x3D3D);
    Le32(s, 18, 100);
}
inline void MakeAsf(Sector& s)
{
    Bytes(s, 0, {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C});
}
// AU: 24-byte header and 1000 bytes of data.
inline void MakeAu(Sector& s)
{
    Put(s, 0, ".snd"), Be32(s, 4, 24), Be32(s, 8, 1000), Be32(s, 12, 3), Be32(s, 16, 8000), Be32(s, 20, 1);
}
// BMP of 70000 bytes with a 40-byte information header.
inline void MakeBmp(Sector& s)
{
    Put(s, 0, "BM"), Le32(s, 2, 70000), Le32(s, 10, 54), Le32(s, 14, 40), Le32(s, 18, 100), Le32(s, 22, 100);
}
// CAB of 3000 bytes.
inline void MakeCab(Sector& s)
{
    Put(s, 0, "MSCF"), Le32(s, 8, 3000), Le32(s, 16, 44), Le16(s, 24, 0x0103), Le16(s, 26, 1), Le16(s, 28, 1);
}
// CHM of 123456 bytes.
inline void MakeChm(Sector& s)
{
    Put(s, 0, "ITSF"), Le32(s, 4, 3), Le32(s, 8, 96), Le32(s, 12, 1);
    Bytes(s, 24, {0x10, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11, 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    Bytes(s, 40, {0x11, 0xFD, 0x01, 0x7C, 0xAA, 0x7B, 0xD0, 0x11, 0x9E, 0x0C, 0x00, 0xA0, 0xC9, 0x22, 0xE6, 0xEC});
    Le32(s, 96, 0x1FE), Le32(s, 100, 0), Le64(s, 104, 123456), Le32(s, 112, 0), Le32(s, 116, 0);
}
inline void MakeCrw(Sector& s)
{
    Bytes(s, 0, {'I', 'I', 0x1A, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R', 2, 0});
}
// DBX (mail) of 9000 bytes.
inline void MakeDbx(Sector& s)
{
    Bytes(s, 0, {0xCF, 0xAD, 0x12, 0xFE, 0xC6, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11, 0x9A, 0x4E, 0x00, 0xC0});
    Le32(s, 124, 9000);
}
// EMF of 4000 bytes.
inline void MakeEmf(Sector& s)
{
    Le32(s, 0, 1), Le32(s, 4, 108), Put(s, 40, " EMF"), Le32(s, 44, 0x10000), Le32(s, 48, 4000), Le32(s, 52, 20);
    Le16(s, 56, 3);
}
// EPS: PostScript 30..1030, TIFF preview 1030..1530.
inline void MakeEps(Sector& s)
{
    Bytes(s, 0, {0xC5, 0xD0, 0xD3, 0xC6}), Le32(s, 4, 30), Le32(s, 8, 1000), Le32(s, 20, 1030), Le32(s, 24, 500);
    Bytes(s, 28, {0xFF, 0xFF, 0x25, 0x21});
}
inline void MakeFh11(Sector& s)
{
    Bytes(s, 0, {0x1C, 0x01, 0x00, 0x00, 0x02, 0x00, 0x04, 0x1C, 0x01, 0x14, 0x00, 0x02, 0x00, 0x14, 0x1C, 0x01});
    Le16(s, 34, 0x3131);
}
// HLP of 4096 bytes.
inline void MakeHlp(Sector& s)
{
    Bytes(s, 0, {0x3F, 0x5F, 0x03, 0x00}), Le32(s, 4, 16), Le32(s, 8, 0xFFFFFFFF), Le32(s, 12, 4096);
}
// One 16x16 icon image of 1128 bytes: 1150 in all.
inline void MakeIco(Sector& s)
{
    Bytes(s, 0, {0, 0, 1, 0}), Le16(s, 4, 1);
    Bytes(s, 6, {16, 16, 0, 0}), Le16(s, 10, 1), Le16(s, 12, 32), Le32(s, 14, 1128), Le32(s, 18, 22);
}
inline void MakeMid(Sector& s)
{
    Bytes(s, 0, {'M', 'T', 'h', 'd', 0, 0, 0, 6}), Be16(s, 8, 1), Be16(s, 10, 2), Be16(s, 12, 96);
}
inline void MakeOle(Sector& s)
{
    Bytes(s, 0, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1});
}
// OneNote of 20000 bytes.
inline void MakeOne(Sector& s)
{
    Bytes(s, 0, {0xE4, 0x52, 0x5C, 0x7B, 0x8C, 0xD8, 0xA7, 0x4D, 0xAE, 0xB1, 0x53, 0x78, 0xD0, 0x29, 0x96, 0xD3});
    Le32(s, 196, 20000);
}
// Unicode PST of 300000 bytes.
inline void MakePst(Sector& s)
{
    Put(s, 0, "!BDN"), s[10] = 23, Le64(s, 184, 300000);
}
// RIFF of 1008 bytes with the 8 bytes of form (and first chunk id).
inline void MakeRiff(Sector& s, const char* form)
{
    Put(s, 0, "RIFF"), Le32(s, 4, 1000), Put(s, 8, form);
}
// TrueType with n tables of 4 bytes each, the first `known` of them with known tags.
inline void MakeTtf(Sector& s, int n, int known)
{
    static const char* const kTags[] = {"cmap", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "OS/2",
                                        "prep", "kern", "gasp", "fpgm", "DSIG", "vhea", "vmtx", "LTSH", "VDMX", "hdmx"};
    Bytes(s, 0, {0, 1, 0, 0}), Be16(s, 4, uint16_t(n));
    for (int i = 0; i < n; ++i) {
        Put(s, 12 + 16 * i, i < known ? kTags[i % 20] : "zzzz");
        Be32(s, 12 + 16 * i + 8, uint32_t(12 + 16 * n + 4 * i));
        Be32(s, 12 + 16 * i + 12, 4);
    }
}
// TrueType with four tables: head (100 bytes), hhea (54), two unknown (5 and 36): 276 bytes.
inline void MakeTtf(Sector& s)
{
    MakeTtf(s, 4, 0);
    const char* tags[] = {"head", "hhea", "xxxx", "yyyy"};
    const uint32_t lengths[] = {100, 54, 5, 36};
    for (int i = 0; i < 4; ++i) Put(s, 12 + 16 * i, tags[i]), Be32(s, 12 + 16 * i + 12, lengths[i]);
}
// Standard metafile of 500 words.
inline void MakeWmf(Sector& s)
{
    Bytes(s, 0, {1, 0, 9, 0}), Le16(s, 4, 0x0300), Le32(s, 6, 500), Le16(s, 10, 1), Le32(s, 12, 100), Le16(s, 16, 0);
}
// Placeable metafile whose standard header states `words` words.
inline void MakePlaceableWmf(Sector& s, uint32_t words = 600)
{
    Bytes(s, 0, {0xD7, 0xCD, 0xC6, 0x9A}), Le16(s, 4, 0), Le16(s, 10, 1000), Le16(s, 12, 800), Le16(s, 14, 1440);
    Le32(s, 16, 0);
    uint16_t checksum = 0;
    for (size_t at = 0; at < 20; at += 2) checksum ^= uint16_t(s[at] | s[at + 1] << 8);
    Le16(s, 20, checksum);
    Bytes(s, 22, {1, 0, 9, 0}), Le16(s, 26, 0x0300), Le32(s, 28, words), Le16(s, 32, 1), Le32(s, 34, 100);
    Le16(s, 38, 0);
}
// WordPerfect file of 6000 bytes with product/type bytes at 8 and version bytes at 14.
inline void MakeWpd(Sector& s, std::array<uint8_t, 4> at8, std::array<uint8_t, 4> at14)
{
    Bytes(s, 0, {0xFF, 'W', 'P', 'C'}), Le32(s, 4, 16);
    for (int i = 0; i < 4; ++i) s[8 + i] = at8[i], s[14 + i] = at14[i];
    Le32(s, 20, 6000);
}

} // namespace rawtest
