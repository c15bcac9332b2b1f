// Measures RAR archives of the block format (marker "Rar!" 1A 07 00) by stepping from block to block.
#pragma once

#include "raw/IRawFileAnalyser.h"

class FileRARAnalyser : public IRawFileAnalyser {
public:
    FileRARAnalyser() : IRawFileAnalyser(RawType::kRAR, RawSignature::RAR) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::RAR, sector, hit);
    }
    // Size: the marker, the run of valid blocks after it and the end-of-archive block when it follows; blocks
    // that run past the device's end are cut there.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }
};
