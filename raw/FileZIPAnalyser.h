// Measures ZIP archives by stepping from record to record, and tells Office Open XML packages (word-processing,
// spreadsheet, presentation) and zipped drawings from plain archives by the names of their entries.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstdint>
#include <span>

// ZIP records the walk knows (little-endian, offsets from the record start):
//   local file header   50 4B 03 04  u16 flags at 6 (bit 3: sizes follow the data in a data descriptor),
//                                    u16 method at 8, u32 compressed size at 18, u16 name length at 26,
//                                    u16 extra length at 28, name at 30;
//                                    length 30 + name + extra + compressed size
//   central header      50 4B 01 02  u16 name length at 28, extra at 30, comment at 32, name at 46;
//                                    length 46 + name + extra + comment
//   end of central dir  50 4B 05 06  u16 comment length at 20; length 22 + comment
//   data descriptor     50 4B 07 08  (signature optional) u32 crc, u32 compressed size, u32 size
//                                    (u64 sizes in ZIP64 archives)

// True for a central header, an end record, and a local header whose method is at most 10 and whose name is at
// most 1040 bytes long; false for anything else (also for bytes too short to hold the record's fixed part).
bool IsZipRecord(std::span<const uint8_t> record);
// The record's length from the table above. For a local or central header of a package (package true) the entry
// name may set type: "word/_rels/document.xml.rels" 69, "xl/_rels/workbook.xml.rels" 70,
// "ppt/_rels/presentation.xml.rels" 71. 0 for bytes that are no record.
uint64_t GetZipRecordLength(std::span<const uint8_t> record, bool package, int& type);
// True for a local header whose sizes follow its data (flag bit 3): its length field says nothing of the data.
bool HasZipDataDescriptor(std::span<const uint8_t> record);
// The length of the data descriptor that begins window (16 or 24 bytes with its signature, 12 or 20 without) when
// it closes an entry of dataLength compressed bytes: its compressed size must equal dataLength, and a descriptor
// without signature must be followed by the signature of the next record. 0 when window holds no such descriptor.
uint64_t MatchZipDataDescriptor(std::span<const uint8_t> window, uint64_t dataLength);

// What the entry names of an archive tell of an Office Open XML package: whether "[Content_Types].xml" is among
// them, the type of a main part's relationships (the names above) and of the first part in the folder word/ (69),
// xl/ (70) or ppt/ (71).
struct ZipPackageParts {
    bool contentTypes = false;
    int mainPartType = 0;
    int folderType = 0;
    // The package's type (the main part decides, then the folder of the first part); 0 for no package.
    int Type() const;
};
// Notes the name of a local or central header; other records change nothing.
void NoteZipPackageParts(std::span<const uint8_t> record, ZipPackageParts& parts);

class FileZIPAnalyser : public IRawFileAnalyser {
public:
    FileZIPAnalyser() : IRawFileAnalyser(RawType::kZIP, RawSignature::ZIP) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // Walks local headers, the central directory and the end record; sets type (68, 69, 70, 71 or 11) and size.
    // An archive is a package when any entry is named "[Content_Types].xml" (ZipPackageParts).
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }

    // Sets the package flag when the first record is a local header named "[Content_Types].xml", the drawing flag
    // when it is named "content/riffData.cdr"; clears both otherwise. Analyse sets the package flag as well when
    // a later entry has that name.
    void ReadPackageFlags(std::span<const uint8_t> firstRecord);
    bool IsPackage() const { return m_package; }
    bool IsDrawing() const { return m_drawing; }

private:
    bool m_package = false;
    bool m_drawing = false;
};
