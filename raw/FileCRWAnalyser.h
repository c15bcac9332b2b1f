// Sizes Canon raw (CRW) files by finding their image description record.
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstdint>
#include <span>

// The description record: "High definition CCD image" at 0, "CRW:High definition CCD image" at 32, "Canon" at
// 122 and "Canon PowerShot" at 128; 144 bytes are read for the test.
inline constexpr size_t kCrwRecordBytes = 144;
// How far from the file's start the record is searched; a file without one gets this size.
inline constexpr uint64_t kCrwSearchBound = 20971520;

// Whether the bytes (at least kCrwRecordBytes of them) begin with the description record.
bool IsCrwDescriptionRecord(std::span<const uint8_t> bytes);

class FileCRWAnalyser : public IRawFileAnalyser {
public:
    FileCRWAnalyser() : IRawFileAnalyser(RawType::kCRW, RawSignature::CRW) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // The size runs to the end of the sector that holds the end of the description record, or kCrwSearchBound
    // when no record lies within it; 0 when the device ends first.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
};
