// Measures ASF media by their top-level objects: header, data and the optional simple index.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileASFAnalyser : public IRawFileAnalyser {
public:
    FileASFAnalyser() : IRawFileAnalyser(RawType::kASF, RawSignature::ASF) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::ASF, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
