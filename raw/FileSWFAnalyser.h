// Flash movies (SWF): "FWS" or "CWS"; the size is the file length field.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileSWFAnalyser : public RawHeaderAnalyser {
public:
    FileSWFAnalyser() : RawHeaderAnalyser(RawType::kSWF, RawSignature::SWF) {}
};
