// Display texts shared by the views: file-system kind names, file times, byte and sector sizes.
#pragma once

#include <cstdint>
#include <string>

// 0 "FAT12", 1 "FAT16", 2 "FAT32", 3 "NTFS", 4 "EXT2", 5 "EXT3", 6 "RAW", 7 "Unknown"; other kinds "".
std::string FormatFileSystemName(int kind);

// A FILETIME (100 ns units since 1601, no time-zone change) as "%d-%d-%d %d:%02d:%02d" ("2009-7-5 8:04:03");
// empty for a value no calendar date can hold.
std::string FormatFileTime(uint64_t fileTime);

// The date alone of FormatFileTime ("2009-7-5"), for a time kept only to the day.
std::string FormatFileDate(uint64_t fileTime);

// "%.2f TB", "GB", "MB" from 2^40, 2^30 and 2^20 bytes up, else "%.2f KB" (500 bytes read "0.49 KB").
std::string FormatByteSize(uint64_t bytes);

// FormatByteSize of sectors x sector size; a sector size of 0 or not a multiple of 512 counts as 512.
// The product is taken without wrapping around, however large the count.
std::string FormatSectorsAsSize(uint64_t sectors, uint32_t sectorSize);
