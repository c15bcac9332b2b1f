// Measures RTF documents by counting braces from the opening one to the brace that balances it.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileRTFAnalyser : public IRawFileAnalyser {
public:
    FileRTFAnalyser() : IRawFileAnalyser(RawType::kRTF, RawSignature::RTF) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::RTF, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes: ok with the size of the balanced document; a zero or unreadable byte
    // before the balance fails with the size up to it.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
