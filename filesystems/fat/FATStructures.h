// On-disk layout of FAT12, FAT16 and FAT32 as the FAT readers see it and the next-cluster values they share;
// every FAT structure is decoded through the byte layer (core/bytes/ByteReader.h).
#pragma once

/*
 Boot sector (offsets from the start of the sector, little-endian):
   0x0B u16 BPB_BytsPerSec   bytes per sector
   0x0D u8  BPB_SecPerClus   sectors per cluster (power of two, 1..128)
   0x0E u16 BPB_RsvdSecCnt   reserved sectors; the first FAT copy follows them
   0x10 u8  BPB_NumFATs      number of FAT copies
   0x11 u16 BPB_RootEntCnt   root-directory entries (FAT12/16; 0 on FAT32)
   0x13 u16 BPB_TotSec16     total sectors, 16-bit form
   0x16 u16 BPB_FATSz16      sectors per FAT (FAT12/16)
   0x20 u32 BPB_TotSec32     total sectors, 32-bit form
   0x24 u32 BPB_FATSz32      sectors per FAT (FAT32)
   0x2C u32 BPB_RootClus     first cluster of the root directory (FAT32)
   0x36 8   BS_FilSysType    "FAT12   " / "FAT16   " (FAT12/16)
   0x52 8   BS_FilSysType    "FAT32   " (FAT32)
   0x1FE    0x55 0xAA

 Short directory entry (32 bytes):
   0  8  DIR_Name       blank-padded; 0xE5 first byte = deleted, 0x00 = end of directory
   8  3  extension      blank-padded
   11 u8  DIR_Attr      0x01 read-only, 0x02 hidden, 0x04 system, 0x08 volume label, 0x10 directory,
                        0x20 archive, 0x0F exactly = long-name piece, 0x40 reserved
   14 u16 DIR_CrtTime   DOS time: hours 11..15, minutes 5..10, two-second units 0..4
   16 u16 DIR_CrtDate   DOS date: years since 1980 9..15, month 5..8, day 0..4
   18 u16 DIR_LstAccDate
   20 u16 DIR_FstClusHI
   22 u16 DIR_WrtTime
   24 u16 DIR_WrtDate
   26 u16 DIR_FstClusLO
   28 u32 DIR_FileSize

 Long-name piece (attribute exactly 0x0F): 13 UTF-16 units at 1 (five), 14 (six) and 28 (two); the name ends
 at a zero unit, padded with 0xFFFF. Pieces stand before their short entry, last piece of the name first.

 FAT entries: 12 bits (two entries in three bytes, an odd cluster in the upper 12 bits of the word at
 c * 3 / 2), 16 bits, or 32 bits of which only the lower 28 count. First sector of cluster c =
 data start + (c - 2) * sectors per cluster.
*/

#include <cstddef>
#include <cstdint>

namespace fat {

// Next-cluster values every FAT table answers with: 0 means nothing is known.
constexpr uint32_t kNoInformation = 0;
constexpr uint32_t kBadCluster = 0x0FFFFFF7;
constexpr uint32_t kEndOfChain = 0x0FFFFFF8;
constexpr uint32_t kFAT32EntryMask = 0x0FFFFFFF;

// A next value that ends a chain: nothing known, a reserved value, the bad-cluster mark or an end mark.
constexpr bool IsChainEnd(uint32_t next)
{
    return next < 2 || next >= kBadCluster;
}

constexpr size_t kDirEntrySize = 32;

// Attribute bits of a directory entry.
constexpr uint8_t kAttrVolumeLabel = 0x08;
constexpr uint8_t kAttrDirectory = 0x10;
constexpr uint8_t kAttrLongName = 0x0F;
constexpr uint8_t kAttrReserved = 0x40;

constexpr uint8_t kDeletedMark = 0xE5;

} // namespace fat
