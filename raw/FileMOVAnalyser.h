// Measures QuickTime files (and files of other ftyp brands) by adding up their top-level atoms.
#pragma once

#include "raw/IRawFileAnalyser.h"

class FileMOVAnalyser : public IRawFileAnalyser {
public:
    FileMOVAnalyser() : IRawFileAnalyser(RawType::kMOV, RawSignature::MOV) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::MOV, sector, hit);
    }
    // Size: the leading run of free, mdat, pnot, moov, wide and ftyp atoms (0 when the first atom is none of them).
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }
};
