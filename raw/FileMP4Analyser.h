// Measures MPEG-4 files (brands isom, mp41, mp42, M4V and their kin) by adding up their top-level atoms.
#pragma once

#include "raw/IRawFileAnalyser.h"

class FileMP4Analyser : public IRawFileAnalyser {
public:
    FileMP4Analyser() : IRawFileAnalyser(42, RawSignature::MP4) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::MP4, sector, hit);
    }
    // Size: the first atom and the mdat, moov, free, moof and mfra atoms after it, at most 501 atoms in all.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
};
