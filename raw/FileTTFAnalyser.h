// TrueType fonts (TTF): a table directory of 1 to 31 tables, at least half of them known; the size is
// the directory plus every table padded to 4 bytes.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileTTFAnalyser : public RawHeaderAnalyser {
public:
    FileTTFAnalyser() : RawHeaderAnalyser(RawType::kTTF, RawSignature::TTF) {}
};
