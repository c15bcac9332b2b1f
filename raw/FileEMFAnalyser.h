// Enhanced metafiles (EMF): " EMF" at 40 in the header record; the size is the header's byte count.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileEMFAnalyser : public RawHeaderAnalyser {
public:
    FileEMFAnalyser() : RawHeaderAnalyser(RawType::kEMF, RawSignature::EMF) {}
};
