// Measures 3GPP and 3GPP2 files (brands 3gp* and 3g2*) by adding up their top-level atoms.
#pragma once

#include "raw/IRawFileAnalyser.h"

class File3GPAnalyser : public IRawFileAnalyser {
public:
    File3GPAnalyser() : IRawFileAnalyser(RawType::k3GP, RawSignature::ThreeGP) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::ThreeGP, sector, hit);
    }
    // Size: the first atom and the mdat, moov, free, moof and mfra atoms after it, at most 501 atoms in all.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }
};
