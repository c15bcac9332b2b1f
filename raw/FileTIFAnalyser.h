// Measures TIFF files from their first image directory (its entries, values and strips, and the strips of a
// second sub-directory), and tells Nikon raw files (type 73) from other TIFF files (60).
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstdint>
#include <span>
#include <string>

// TIFF layout: "II" 2A 00 (little-endian) or "MM" 00 2A (big-endian), u32 first directory offset at 4. A directory:
// u16 entry count n, n 12-byte entries (tag u16, format u16, count u32, value u32: the value itself when count x
// format size is at most 4 bytes, otherwise the offset of the values), u32 offset of the next directory.
// Tags used: 272 model, 273 strip offsets, 279 strip byte counts, 330 sub-directory offsets.

// Bytes per component of a TIFF/EXIF value format: 1 byte, 2 ASCII, 3 short, 4 long, 5 rational, 6 signed byte,
// 7 undefined, 8 signed short, 9 signed long, 10 signed rational, 11 float, 12 double; 0 for any other code.
uint32_t GetTiffTypeSize(uint16_t format);

class FileTIFAnalyser : public IRawFileAnalyser {
public:
    FileTIFAnalyser() : IRawFileAnalyser(RawType::kTIF, RawSignature::TIF) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // Sets the size to the end of what the first directory and the second sub-directory reach (the directory with
    // its values, every strip) and type 73 for Nikon files; 0 when the header cannot be read.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    // Nikon files: the camera model.
    std::string GetNamePrefix() override { return m_namePrefix; }
    std::string GetExtraText() override { return m_extraText; }

private:
    std::string m_namePrefix;
    std::string m_extraText;
};
