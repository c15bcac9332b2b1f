// The raw backup stream of an encrypted NTFS file, as the platform's encrypted-file import takes it: a head
// carrying the $EFS stream, a head for the unnamed data stream, then the raw (still encrypted) data in
// blocks of at most 64 KiB, each behind a 512-byte head. All numbers little-endian, tags UTF-16LE.
//
// Raw-stream head (66 bytes):         Data-stream head (42 bytes):     Data-block head (512 bytes):
//   0 u32 256                            0 u32 42                         0 u32 block length + 512
//   4 "ROBS"                             4 "NTFS"                         4 "GURE"
//  12 u32 0, 16 u32 0                   12 12 zero bytes                 12 6 zero bytes
//  20 u32 30                            24 u32 14 (name bytes)           18 u16 block index from 0
//  24 "NTFS"                            28 "::$DATA"                     20 u32 0
//  32 u32 0, 36 u32 0, 40 u32 0                                          24 u32 496
//  44 u32 2                                                              28 u32 min(length, real bytes left)
//  48 u16 0x1910                                                         32 u32 the same
//  50 u32 $EFS length + 16                                               36 u32 0x10100000
//  54 "GURE"                                                             40 u32 0x0001010B
//  62 u32 0                                                              44 u32 block length
//                                                                        48 464 zero bytes
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

inline constexpr size_t kEfsRawHeaderBytes = 66;
inline constexpr size_t kEfsStreamHeaderBytes = 42;
inline constexpr size_t kEfsDataBlockHeaderBytes = 512;
inline constexpr size_t kEfsMaxBlockBytes = 65536;
// The $EFS stream the saver reads is at most this long.
inline constexpr size_t kEfsMaxStreamBytes = 65536;
// Where the raw-stream head keeps the $EFS length + 16.
inline constexpr size_t kEfsRawHeaderLengthOffset = 50;

std::array<uint8_t, kEfsRawHeaderBytes> MakeEfsRawHeader(uint32_t efsLength);
std::array<uint8_t, kEfsStreamHeaderBytes> MakeEfsStreamHeader();
std::array<uint8_t, kEfsDataBlockHeaderBytes> MakeEfsDataBlockHeader(uint16_t index, uint32_t blockLength,
                                                                     uint32_t realBytes);
