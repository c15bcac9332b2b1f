// Measures UTF-16LE HTML pages (byte-order mark, then "<") up to their closing tag, a text terminator or 1 MiB.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FileUnicodeHTMAnalyser : public IRawFileAnalyser {
public:
    FileUnicodeHTMAnalyser() : IRawFileAnalyser(RawType::kHTM, RawSignature::UnicodeHTM) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::UnicodeHTM, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
};
