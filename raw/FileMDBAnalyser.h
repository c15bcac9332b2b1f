// Measures Access databases by their 4096-byte pages: the file ends at the first page whose type byte is 0.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileMDBAnalyser : public IRawFileAnalyser {
public:
    FileMDBAnalyser() : IRawFileAnalyser(RawType::kMDB, RawSignature::MDB) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::MDB, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
