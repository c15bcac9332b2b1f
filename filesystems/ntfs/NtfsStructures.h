// NTFS on-disk layouts as this system reads them, the constants named after them, and the small shared
// records of the NTFS readers. Every field below is little-endian.
//
// Boot sector (first 512 bytes of the volume):
//   0x03 OEM id "NTFS    " (8)      0x0B bytes per sector (u16)   0x0D sectors per cluster (u8)
//   0x0E reserved sectors, 0 (u16)  0x10..0x14, 0x16..0x17, 0x20..0x23 zero
//   0x28 total sectors (u64)        0x30 $MFT cluster (u64)        0x38 $MFTMirr cluster (u64)
//   0x40 clusters per FILE record (s8: negative n means 2^-n bytes)
//   0x44 clusters per index record (s8, same rule)                 0x48 serial number (u64)
//   0x1FE 0x55 0xAA
//
// FILE record header:
//   0x00 "FILE"   0x04 update-sequence offset (u16)   0x06 update-sequence count (u16)
//   0x08 log sequence number (u64)   0x14 first attribute offset (u16)   0x16 flags (u16: 1 in use, 2 directory)
//   0x18 used size (u32)   0x1C allocated size (u32)   0x20 base record reference (u64, non-zero in an extension)
//   0x2A zero when the record number is present (u16)   0x2C record number (u32)
// Update sequence: entry 0 is the sequence number, entry i the true last two bytes of 512-byte unit i, whose
// last two bytes on disk hold the sequence number instead.
//
// Attribute header:
//   0x00 type (u32; 0xFFFFFFFF ends the list)   0x04 length (u32)   0x08 non-resident (u8)
//   0x09 name length in characters (u8)   0x0A name offset (u16)   0x0C flags (u16: 0x0001 compressed, 0x4000 encrypted)
//   resident:     0x10 value length (u32)   0x14 value offset (u16)           header 0x18 bytes
//   non-resident: 0x10 first VCN (u64)   0x18 last VCN (u64)   0x20 mapping-pairs offset (u16)
//                 0x28 allocated size (u64)   0x30 data size (u64)   0x38 initialized size (u64)   header 0x40 bytes
//
// $STANDARD_INFORMATION, read from attribute offset 24: +24 creation, +32 modification, +48 access (FILETIME),
//   +56 file attributes (u32).
// $FILE_NAME, from attribute offset 24: +24 parent reference (low 48 bits the record), +32 creation, +40
//   modification, +56 access, +72 real size (u64), +80 flags (u32: 0x10000000 directory), +88 name length (u8),
//   +89 namespace (u8: 1 Win32), +90 name (UTF-16).
// $ATTRIBUTE_LIST entry: +0 type (u32), +4 entry length (u16), +16 file reference (u64).
//
// INDX record: 0x00 "INDX"   0x04 update-sequence offset   0x06 update-sequence count   0x08 LSN (u64)
//   0x10 VCN (u64)   0x18 entries offset from 0x18 (u32)   0x1C used size (u32)   0x20 allocated size (u32)
// Index entry: +0 file reference (u64)   +8 entry length (u16)   +10 key length (u16)   +12 flags (u16: 1 sub-node,
//   2 last)   +16 key; a file-name key has its parent reference at +16, allocated size at +56, real size at +64
//   and name length at +80.
// $INDEX_ROOT value: index header at value + 16: entries offset (u32, from value + 16), used size (u32).
// RCRD page ($LogFile): "RCRD", update-sequence offset 40, count 9, sequence number at 40, 4096 bytes.
//
// Mapping pairs: header byte (low nibble L length bytes, high nibble F offset bytes), L bytes of run length,
// F bytes of signed LCN delta (F = 0: sparse run); a zero header byte ends the list.
#pragma once

#include <cstdint>

namespace ntfs {

inline constexpr uint32_t kAttrStandardInformation = 0x10;
inline constexpr uint32_t kAttrAttributeList = 0x20;
inline constexpr uint32_t kAttrFileName = 0x30;
inline constexpr uint32_t kAttrVolumeName = 0x60;
inline constexpr uint32_t kAttrData = 0x80;
inline constexpr uint32_t kAttrIndexRoot = 0x90;
inline constexpr uint32_t kAttrIndexAllocation = 0xA0;
inline constexpr uint32_t kAttrBitmap = 0xB0;
inline constexpr uint32_t kAttrLoggedUtilityStream = 0x100;
inline constexpr uint32_t kAttrEnd = 0xFFFFFFFF;

inline constexpr uint16_t kRecordInUse = 0x0001;
inline constexpr uint16_t kRecordDirectory = 0x0002;

inline constexpr uint16_t kAttrFlagCompressed = 0x0001;
inline constexpr uint16_t kAttrFlagEncrypted = 0x4000;

inline constexpr uint32_t kFileNameFlagDirectory = 0x10000000;
inline constexpr uint8_t kNamespaceWin32 = 1;

// Sizes of FILE records this system accepts: powers of two from max(kMinFileRecord, sector size) up to kMaxFileRecord.
inline constexpr uint32_t kMinFileRecord = 1024;
inline constexpr uint32_t kMaxFileRecord = 4096;
// Index records: powers of two from the sector size up to kMaxIndexRecord.
inline constexpr uint32_t kMaxIndexRecord = 65536;
inline constexpr uint32_t kUnitSize = 512; // the update-sequence unit, whatever the sector size

inline constexpr uint64_t kRecordNumberMask = 0x0000FFFFFFFFFFFFull;
inline constexpr uint64_t kRootFolderRecord = 5;

// Windows file attribute bits that NTFS records carry.
inline constexpr uint16_t kFileAttrReadOnly = 0x01;
inline constexpr uint16_t kFileAttrHidden = 0x02;
inline constexpr uint16_t kFileAttrSystem = 0x04;
inline constexpr uint16_t kFileAttrDirectory = 0x10;
inline constexpr uint16_t kFileAttrArchive = 0x20;
inline constexpr uint16_t kFileAttrEncrypted = 0x40;
inline constexpr uint16_t kFileAttrSparse = 0x200;
inline constexpr uint16_t kFileAttrCompressed = 0x800;

} // namespace ntfs

// One extension record of a base record: its sector (-1 while not mapped) and file reference (48-bit record
// number). The same 16-byte entry makes the extension lists of record groups, properties and scan findings.
struct CNTFSExtensionEntry {
    int64_t sector = -1;
    uint64_t reference = 0;
    bool operator==(const CNTFSExtensionEntry&) const = default;
};
