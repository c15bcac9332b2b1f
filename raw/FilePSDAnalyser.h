// Measures Photoshop images: the header, three length-prefixed sections, then the image data, raw or run-length
// coded (sized from the row byte counts).
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FilePSDAnalyser : public IRawFileAnalyser {
public:
    FilePSDAnalyser() : IRawFileAnalyser(RawType::kPSD, RawSignature::PSD) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::PSD, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
