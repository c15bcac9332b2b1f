// Measures FreeHand 11 drawings up to their fixed trailer.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/FindTextMarker.h"

class FileFH11Analyser : public IRawFileAnalyser {
public:
    FileFH11Analyser() : IRawFileAnalyser(RawType::kFH11, RawSignature::FH11) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::FH11, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    static TextMarker Marker();
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
