// Layout of a disk image (image file with header and block index, slice list, slice files), the header's
// bounded decoding and encoding, and the names of the files that belong to one image.
#pragma once

// Image file, all integers unsigned 32-bit little-endian:
//   0    256  source name, NUL-terminated; byte 255 is always 0
//   256    4  sector size of the source in bytes
//   260    4  compression kind: 0 stored, 1 bzip2, 2 zlib, 3 LZMA
//   264    4  heads per cylinder of the source disk (255 for a volume)
//   268    4  slice count (at most 58)
//   272    4  total block count
//   276  4*i  block count of slice i, i = 0 .. 57
//   508    4  always 0
//   512  4*b  block index: for block b, the end of its stored bytes within its slice, counted from the
//             slice's byte 512 (the sum of the stored sizes of the slice's blocks up to and including b);
//             the sums restart in every slice
// Slice list "<stem>.kxp": one line per slice in slice order, the slice file's full path and CR LF.
// Slice file "<stem>.part<N>.kxf": bytes 0 .. 511 unused (zero), then the slice's stored blocks back to back.
// A block is 256 sectors of the source (the last one may be shorter), stored as one independent stream of
// the header's codec, or as its raw bytes when compressing it failed; nothing marks which.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace diskimage {

constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kBlockSectors = 256;
constexpr uint32_t kMaxSlices = 58;
constexpr uint32_t kSourceNameField = 256;
constexpr uint32_t kOffSectorSize = 256;
constexpr uint32_t kOffKind = 260;
constexpr uint32_t kOffHeads = 264;
constexpr uint32_t kOffSliceCount = 268;
constexpr uint32_t kOffTotalBlocks = 272;
constexpr uint32_t kOffSliceTable = 276;
constexpr uint32_t kOffReserved = 508;
constexpr uint32_t kSliceHead = 512; // bytes before a slice's first stored block
constexpr int kDefaultHeads = 255;
// The largest slice size limit in 512-byte units: 4 GiB - 4 KiB, so that every end offset of a slice fits
// in 32 bits. Also the limit used when splitting is off.
constexpr int kMaxSliceLimit = 8388600;

struct ImageHeader {
    std::string sourceName; // up to the first NUL of the 256-byte field
    uint32_t sectorSize = 0;
    uint32_t kind = 0;
    uint32_t heads = 0;
    uint32_t sliceCount = 0;
    uint32_t totalBlocks = 0;
    std::array<uint32_t, kMaxSlices> sliceBlocks{};
    uint32_t reserved = 0;
};

ImageHeader DecodeImageHeader(std::span<const uint8_t, kHeaderSize> bytes);
// Writes every field; the name is cut to 255 bytes on a UTF-8 character boundary and zero-padded.
void EncodeImageHeader(const ImageHeader& header, std::span<uint8_t, kHeaderSize> bytes);

// The sector size a reader uses for a stored value: the value when it is a multiple of 512 within
// 512 .. 4096, else 512.
uint32_t EffectiveSectorSize(uint32_t stored);
// Whether a source sector size can be written so that readers take it back unchanged.
bool IsStorableSectorSize(int64_t sectorSize);

// Why a reader refuses the header (kind unknown, more than 58 slices, slice block counts that do not add
// up to the total, the word at 508 not zero), or empty when it is sound.
std::string CheckImageHeader(const ImageHeader& header);

// Room for one stored block of blockBytes: the block plus 0.2 %, as the writer sizes its output.
uint32_t StoredBlockCapacity(uint32_t blockBytes);

// The stem of an image path: everything before the last '.' that follows the last path separator ('/' or
// '\'); the whole path when its last component has no '.'.
std::string PathStem(const std::string& imagePath);
// "<stem>.kxp": the one place that names the slice list of an image.
std::string MakeSliceListPath(const std::string& imagePath);
// "<stem>.part<N>.kxf".
std::string MakeSlicePath(const std::string& imagePath, uint32_t sliceIndex);

} // namespace diskimage
