// Member headers of the archives that the signature search measures by walking from member to member: RAR
// blocks, ustar headers and LHA headers. Pure decoders over the bytes at a member's start.
//
// RAR block (little-endian, offsets from the block start): header CRC u16 at 0, type at 2, flags u16 at 3,
//   header size u16 at 5, then by type: 0x73 archive header; 0x74 file header (packed size u32 at 7, unpacked
//   size u32 at 11, host system at 15); 0x75 comment (u16 at 7 follows the header); 0x76 authenticity;
//   0x77 sub-block (u32 at 7 follows the header, byte 13 zero); 0x78 recovery record, 0x7A new sub-block and
//   0x7B end (u32 at 7 follows the header). The end-of-archive block is the 7 bytes C4 3D 7B 00 40 07 00.
// ustar header (512 bytes): name at 0, size at 124 (12 bytes of octal digits), "ustar" at 257.
// LHA header: level 0/1: header length at 0 (not counting bytes 0 and 1), method id at 2 ("-lh5-"),
//   compressed size u32 at 7 (level 1: extended headers included), level at 20; level 2: the whole header's
//   length u16 at 0. An archive ends with one zero byte.
#pragma once

#include <cstdint>
#include <span>

inline constexpr uint64_t kRarMarkerSize = 7;
inline constexpr uint8_t kRarEndBlock[7] = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};

// Whether the bytes begin a RAR block of a known type that passes its type's check.
bool IsRarBlock(std::span<const uint8_t> block);
// The block's whole length (header and the data that follows it), in 64 bits; false when IsRarBlock is false.
bool GetRarBlockLength(std::span<const uint8_t> block, uint64_t& length);

inline constexpr uint64_t kTarBlockSize = 512;

// The member size of a ustar size field (the first 11 of its 12 bytes): octal digits, most significant first.
// Blanks and NULs before the digits count as zeros and one after them ends the number; any other byte that is
// not a decimal digit counts as 0.
uint64_t ParseTarSize(std::span<const uint8_t> field);
// True when all 512 bytes are 0 (the end of an archive).
bool IsTarZeroBlock(std::span<const uint8_t> block);
// What the header at a member's place is: a member header, the all-zero end block, or something else.
enum class TarHeaderKind { Member, End, NotTar };
TarHeaderKind ClassifyTarHeader(std::span<const uint8_t> block);

// An LHA member header: the method ids LHA writes ("-lh0-" to "-lh7-", "-lhd-" for folders, "-lzs-", "-lz4-",
// "-lz5-") and header levels 0 to 2. length: the member's header and data together.
bool IsLzhMethodId(std::span<const uint8_t> id);
bool GetLzhMemberLength(std::span<const uint8_t> header, uint64_t& length);
