// The 16-byte identifiers of recovery-state files: the marker before the header and every section,
// and the GUID of each kind of section. Stored in the usual form (u32, u16, u16 little-endian, 8 bytes).
#pragma once

#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"

#include <cstdint>
#include <cstring>
#include <span>

struct RSGuid {
    uint32_t Data1 = 0;
    uint16_t Data2 = 0;
    uint16_t Data3 = 0;
    uint8_t Data4[8] = {};

    bool operator==(const RSGuid& other) const
    {
        return Data1 == other.Data1 && Data2 == other.Data2 && Data3 == other.Data3 &&
               std::memcmp(Data4, other.Data4, sizeof Data4) == 0;
    }
};

// The 16 bytes of a GUID as stored in a file; nothing is written into fewer than 16 bytes.
inline void EncodeRSGuid(const RSGuid& g, std::span<uint8_t> out)
{
    if (out.size() < 16) return;
    bytes::ByteWriter w(out);
    w.u32le(0, g.Data1);
    w.u16le(4, g.Data2);
    w.u16le(6, g.Data3);
    w.copy(8, g.Data4, sizeof g.Data4);
}

// The GUID in the first 16 bytes; a zero GUID (which no section has) when fewer are given.
inline RSGuid DecodeRSGuid(std::span<const uint8_t> in)
{
    bytes::ByteReader r(in);
    RSGuid g;
    g.Data1 = r.u32le(0);
    g.Data2 = r.u16le(4);
    g.Data3 = r.u16le(6);
    r.copy(8, g.Data4, sizeof g.Data4);
    return r ? g : RSGuid{};
}

// {1CB3F4EA-4305-4AB6-B4B8-244A33D913BB}: starts the header and every section.
inline constexpr RSGuid kRSMarkerGuid{0x1CB3F4EA, 0x4305, 0x4AB6, {0xB4, 0xB8, 0x24, 0x4A, 0x33, 0xD9, 0x13, 0xBB}};
// {6EAE44F1-5CA7-49F8-BD8D-7126D446AACA}: the chain of wizard controllers.
inline constexpr RSGuid kRSControllerChainGuid{
    0x6EAE44F1, 0x5CA7, 0x49F8, {0xBD, 0x8D, 0x71, 0x26, 0xD4, 0x46, 0xAA, 0xCA}};
// {7DC06525-638A-4A8C-B7D1-6419641247DB}: a list of found partitions with the selected one.
inline constexpr RSGuid kRSPartitionListGuid{
    0x7DC06525, 0x638A, 0x4A8C, {0xB7, 0xD1, 0x64, 0x19, 0x64, 0x12, 0x47, 0xDB}};
// {D208F26C-078C-4E34-9D71-D91F535F7B57}: a whole found-file tree.
inline constexpr RSGuid kRSFileTreeGuid{0xD208F26C, 0x078C, 0x4E34, {0x9D, 0x71, 0xD9, 0x1F, 0x53, 0x5F, 0x7B, 0x57}};
// {9332EB72-887D-4145-937D-C3C918EA09FE}: partitions found by the scanners.
inline constexpr RSGuid kRSFoundPartitionsGuid{
    0x9332EB72, 0x887D, 0x4145, {0x93, 0x7D, 0xC3, 0xC9, 0x18, 0xEA, 0x09, 0xFE}};
// {409B6394-F681-4E88-A20F-5D635782ED75}: the scanners' states.
inline constexpr RSGuid kRSSearchControllersGuid{
    0x409B6394, 0xF681, 0x4E88, {0xA2, 0x0F, 0x5D, 0x63, 0x57, 0x82, 0xED, 0x75}};
// {0F1F07F2-A023-4DEF-940E-2CE80A7A8D3D}: the signature hits.
inline constexpr RSGuid kRSRawHitsGuid{0x0F1F07F2, 0xA023, 0x4DEF, {0x94, 0x0E, 0x2C, 0xE8, 0x0A, 0x7A, 0x8D, 0x3D}};
// {94F5F416-4317-4567-AE44-15B3214ED998}: a volume record.
inline constexpr RSGuid kRSVolumeRecordGuid{
    0x94F5F416, 0x4317, 0x4567, {0xAE, 0x44, 0x15, 0xB3, 0x21, 0x4E, 0xD9, 0x98}};
// {B072A676-0548-468B-BA9E-91093A63B517}: a disk record.
inline constexpr RSGuid kRSDiskRecordGuid{0xB072A676, 0x0548, 0x468B, {0xBA, 0x9E, 0x91, 0x09, 0x3A, 0x63, 0xB5, 0x17}};
