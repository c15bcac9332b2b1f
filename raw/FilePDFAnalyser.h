// Measures PDF and Illustrator documents from their header to their last end-of-file comment: the walk goes on
// past an end-of-file comment that more of the document follows (linearized files, incremental updates) and
// stops where another document begins.
#pragma once

#include "raw/IRawFileAnalyser.h"
#include "raw/SpanWalk.h"

class FilePDFAnalyser : public IRawFileAnalyser {
public:
    FilePDFAnalyser() : IRawFileAnalyser(RawType::kPDF, RawSignature::PDF) {}
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override
    {
        return MatchRawSignature(RawSignature::PDF, sector, hit);
    }
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

    // The walk over the file's bytes; type 5 in the result when an Illustrator comment was met.
    static SpanWalkResult Walk(SpanSource& source, const SpanWalkLimits& limits);
    // The bytes after an end-of-file comment and its line end carry on the document: an object header
    // ("12 0 obj"), a cross-reference section, or a comment other than a new header.
    static bool ContinuesDocument(std::span<const uint8_t> after);
};
