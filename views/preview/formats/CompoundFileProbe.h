// Tells whether a file is a compound document that opens and whether it holds a word-processor or a
// spreadsheet stream at its root (the test that sends a preview to the office opener).
#pragma once

#include <cstdint>
#include <span>

// Compound document layout (little-endian):
//   header  0 signature D0 CF 11 E0 A1 B1 1A E1, 28 byte order FFFE, 30 u16 sector shift (9 or 12),
//           44 u32 allocation-table sector count, 48 u32 first directory sector, 68 u32 first DIFAT sector,
//           72 u32 DIFAT sector count, 76 109 x u32 the first allocation-table sector numbers
//   sector n lies at byte (n + 1) << shift
//   DIFAT sector: (size / 4 - 1) allocation-table sector numbers, then the next DIFAT sector
//   allocation-table sector: size / 4 x u32, the next sector of each sector's chain
//   directory entry (128 bytes): name (UTF-16, zero-terminated) at 0, name length in bytes at 64, type at 66
//           (1 storage, 2 stream, 5 root), left sibling at 68, right sibling at 72, first child at 76
struct CompoundProbe {
    bool opens = false; // a valid header and a readable directory with its root entry
    bool word = false;  // a stream "WordDocument" at the root
    bool excel = false; // a stream "Book" or "Workbook" at the root
};

// Pure: the whole file's bytes. Names compare without regard to case, as the format's do. Every chain and
// tree walk is bounded by the file's sector count, so damaged or looping tables end.
CompoundProbe ProbeCompoundFile(std::span<const uint8_t> file);
