// Measures JPEG files by walking their segments to the start of the scan and searching the end-of-image marker,
// and takes the camera model and capture time of an EXIF segment as the hit's name prefix and extra text.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstdint>
#include <span>
#include <string>

// JPEG segments: FF, marker, BE u16 length L (counting itself, not the marker), L - 2 bytes of data.
//   C0 / C2 baseline / progressive frame: precision at +4, BE height at +5, BE width at +7, components at +9
//   DA start of scan: components at +4; entropy-coded data follows until FF D9 (end of image)
//   E1 "Exif" 00 00, then a TIFF header (byte order "II"/"MM", 42, first directory offset) and 12-byte entries:
//      tag u16, format u16, component count u32, value or offset u32 (from the TIFF header)

// What the EXIF reader gathers: make (up to 31 bytes), model (up to 39), capture time "YYYY:MM:DD hh:mm:ss".
struct ExifInfo {
    std::string make;
    std::string model;
    std::string dateTime;
};

// Reads an EXIF segment: data holds the bytes after the segment's length field ("Exif" 00 00 and the TIFF
// data). False when the segment is not EXIF or a directory is damaged; info keeps what was read before.
// Directories linked in a cycle are read once.
bool ReadExifSegment(std::span<const uint8_t> data, ExifInfo& info);

class FileJPGAnalyser : public IRawFileAnalyser {
public:
    FileJPGAnalyser() : IRawFileAnalyser(RawType::kJPG, RawSignature::JPG) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // Walks the segments (the JFIF, EXIF or other walk, by the bytes at 6) and sets the size to the end-of-image
    // marker + 2; 0 when a read fails or the frame is missing or not understood.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    // EXIF files: the camera model (or the make when the model holds "<"), and the capture time.
    std::string GetNamePrefix() override { return m_namePrefix; }
    std::string GetExtraText() override { return m_extraText; }

private:
    std::string m_namePrefix;
    std::string m_extraText;
};
