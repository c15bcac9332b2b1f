// Measures GIF images by walking their extensions, image descriptors and data sub-blocks to the trailer.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileGIFAnalyser : public IRawFileAnalyser {
public:
    FileGIFAnalyser() : IRawFileAnalyser(RawType::kGIF, RawSignature::GIF) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::GIF, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
