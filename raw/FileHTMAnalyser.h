// Measures HTML pages up to their closing tag (at most 1 MiB); measures UTF-16 pages too, since hits of both
// kinds of page are handed to this analyser.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/FindTextMarker.h"

class FileHTMAnalyser : public IRawFileAnalyser {
public:
    FileHTMAnalyser() : IRawFileAnalyser(RawType::kHTM, RawSignature::HTM) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::HTM, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    static TextMarker Marker();
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
