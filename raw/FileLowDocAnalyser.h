// Recognises the headers of two older word-processor formats and gives compound documents a rough size from their
// header alone (the first directory sector plus five sectors).
#pragma once

#include "raw/IRawFileAnalyser.h"

#include <cstdint>
#include <span>

// The size the header states: for a compound document (D0 CF 11 E0) (u32 at 48 + 5) x 512; for the word-processor
// headers DB A5 2D 00 and 94 A6 2E 00, u32 at 292 + u16 at 296 rounded up to a multiple of 512. 0 for other bytes.
uint64_t GetLowDocHeaderSize(std::span<const uint8_t> header);

class FileLowDocAnalyser : public IRawFileAnalyser {
public:
    FileLowDocAnalyser() : IRawFileAnalyser(RawType::kDOC, RawSignature::LowDoc) {}

    // The signature test; the size is the header's (capped by the maximal RAW file size option).
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // Reads the header again and sets type 21 and its size, capped to the device; 0 when it cannot be read.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
};
