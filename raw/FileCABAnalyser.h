// Cabinet archives (CAB): "MSCF" version 1.3; the size is the cabinet size field.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileCABAnalyser : public RawHeaderAnalyser {
public:
    FileCABAnalyser() : RawHeaderAnalyser(RawType::kCAB, RawSignature::CAB) {}
};
