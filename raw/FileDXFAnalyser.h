// Measures drawing exchange files up to their end-of-file line.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/FindTextMarker.h"

class FileDXFAnalyser : public IRawFileAnalyser {
public:
    FileDXFAnalyser() : IRawFileAnalyser(RawType::kDXF, RawSignature::DXF) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::DXF, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    static TextMarker Marker();
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
