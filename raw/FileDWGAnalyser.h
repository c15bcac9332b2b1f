// Measures AutoCAD drawings by release: the section locators of releases 13 to 2000, or the search for the
// second copy of the header of releases 2004 and 2007.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileDWGAnalyser : public IRawFileAnalyser {
public:
    FileDWGAnalyser() : IRawFileAnalyser(RawType::kDWG, RawSignature::DWG) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::DWG, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
    // The search of releases 2004 and 2007: the first sentinel at or after offset 144 gives size = its offset +
    // tail. A bound reached gives that position; an unreadable position gives it when it lies beyond 512.
    static SpanWalkResult SearchSentinel(SpanSource& source, std::span<const uint8_t> sentinel, uint64_t tail,
                                         const SpanWalkLimits& limits);
};
