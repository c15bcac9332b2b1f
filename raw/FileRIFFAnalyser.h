// RIFF containers (WAV, AVI, ANI, CMX, CLK, CSL, CDR and others): the form names the type; the size is
// the RIFF length plus 8.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileRIFFAnalyser : public RawHeaderAnalyser {
public:
    FileRIFFAnalyser() : RawHeaderAnalyser(RawType::kRIFF, RawSignature::RIFF) {}
};
