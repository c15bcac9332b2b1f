// Measures compound documents (the container of older office files and of several other programs) from their
// allocation table, and tells the application from the names of the first directory entries.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstdint>
#include <span>

// Compound document layout (little-endian; 512-byte sectors, document sector n at byte 512 x (n + 1)):
//   header  0 signature D0 CF 11 E0 A1 B1 1A E1, 48 u32 first directory sector, 68 u32 first DIFAT sector,
//           76 109 x u32 the first allocation-table sector numbers
//   DIFAT sector: 127 allocation-table sector numbers, then the number of the next DIFAT sector
//   allocation-table sector: 128 u32, the next sector of each document sector's chain
//   directory sector: four 128-byte entries: name (32 UTF-16 characters, zero-terminated) at 0, left sibling at
//           68, right sibling at 72, first child at 76, class id (16 bytes) at 80; entry 0 is the root
// 0xFFFFFFFF marks a free entry, 0xFFFFFFFE the end of a chain.
inline constexpr uint32_t kCompoundFree = 0xFFFFFFFF;
inline constexpr uint32_t kCompoundEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kCompoundSectorSize = 512;

// The highest position 1..128 of an allocation-table sector whose entry is not free; 0 when all are free.
unsigned GetCompoundLastUsedPosition(std::span<const uint8_t> tableSector);
// The application named by the first directory sector (entries 0..3), every rule applied in order so that a later
// one overrides an earlier: 21, 67, 48, 35, 62, 64, 57, 65, 49, 53, 43, 3, or 39 when none holds. extraBytes
// receives 1024 for a Visio drawing (its table undercounts it) and 0 otherwise.
int ClassifyCompoundDirectory(std::span<const uint8_t> directorySector, uint64_t& extraBytes);
// The application named by one top-level stream of a document whose first directory sector names none:
// "WordDocument" 21, "Workbook" or "Book" 67, "PowerPoint Document" 48; 0 for any other entry.
int ClassifyCompoundStream(std::span<const uint8_t> entry);

class FileOLEAnalyser : public IRawFileAnalyser {
public:
    FileOLEAnalyser() : IRawFileAnalyser(RawType::kOLE, RawSignature::OLE) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // Sets the size from the allocation table and the type from the directory; 0 when the header, a DIFAT sector
    // or the last table sector cannot be read, or when the header lists no allocation-table sector.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }
};
