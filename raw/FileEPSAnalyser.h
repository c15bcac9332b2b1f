// Encapsulated PostScript with a binary header (EPS): the size is where the last of its PostScript, WMF
// and TIFF parts ends.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileEPSAnalyser : public RawHeaderAnalyser {
public:
    FileEPSAnalyser() : RawHeaderAnalyser(RawType::kEPS, RawSignature::EPS) {}
};
