// Compiled help (CHM): the "ITSF" header with its two GUIDs; the size is the 64-bit file size of
// header section 0.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileCHMAnalyser : public RawHeaderAnalyser {
public:
    FileCHMAnalyser() : RawHeaderAnalyser(RawType::kCHM, RawSignature::CHM) {}
};
