// Measures standard MIDI files by following their track chunks.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileMIDAnalyser : public IRawFileAnalyser {
public:
    FileMIDAnalyser() : IRawFileAnalyser(RawType::kMID, RawSignature::MID) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::MID, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
