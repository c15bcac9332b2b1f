// Measures LHA archives (first member "-lh5-" or "-lh0-") by stepping from member header to member header.
#pragma once

#include "raw/IRawFileAnalyser.h"

class FileLZHAnalyser : public IRawFileAnalyser {
public:
    FileLZHAnalyser() : IRawFileAnalyser(RawType::kLZH, RawSignature::LZH) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::LZH, sector, hit);
    }
    // Size: every member, and the zero byte that closes the archive when it follows.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }
};
