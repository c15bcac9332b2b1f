// Measures ustar archives by stepping over 512-byte member headers and their data.
#pragma once

#include "raw/IRawFileAnalyser.h"

class FileTARAnalyser : public IRawFileAnalyser {
public:
    FileTARAnalyser() : IRawFileAnalyser(RawType::kTAR, RawSignature::TAR) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::TAR, sector, hit);
    }
    // Size: through the all-zero block that ends the archive (and the second one when it follows); an archive
    // cut short ends after its last whole member.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }
};
