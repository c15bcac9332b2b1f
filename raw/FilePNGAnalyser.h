// Measures PNG images by walking their chunks from the image header to the end chunk.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FilePNGAnalyser : public IRawFileAnalyser {
public:
    FilePNGAnalyser() : IRawFileAnalyser(RawType::kPNG, RawSignature::PNG) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::PNG, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
