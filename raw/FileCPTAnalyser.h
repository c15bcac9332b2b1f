// Measures Corel PHOTO-PAINT images through the chain of offsets in their header.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileCPTAnalyser : public IRawFileAnalyser {
public:
    FileCPTAnalyser() : IRawFileAnalyser(RawType::kCPT, RawSignature::CPT) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::CPT, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
