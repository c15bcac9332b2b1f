// Measures Paint Shop Pro images by following their block headers.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FilePSPAnalyser : public IRawFileAnalyser {
public:
    FilePSPAnalyser() : IRawFileAnalyser(RawType::kPSP, RawSignature::PSP) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::PSP, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
