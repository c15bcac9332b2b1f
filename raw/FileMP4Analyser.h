// Measures MPEG-4 files (every brand of the ISO base media family: isom, iso2 to iso9, mp41, mp42, avc1, dash,
// M4A, M4V and their kin, fragmented or not) by adding up their top-level atoms.
#pragma once

#include "raw/IRawFileAnalyser.h"

class FileMP4Analyser : public IRawFileAnalyser {
public:
    FileMP4Analyser() : IRawFileAnalyser(RawType::kMP4, RawSignature::MP4) {}

    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::MP4, sector, hit);
    }
    // Size: the first atom and the top-level boxes of the file after it (IsMp4FileAtom), at most 501 atoms in all.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
    bool HoldsNestedHits() const override { return true; }
};
