// Money files (MNY): "MSISAM Database" at 4; their length is not stated, so a fixed 1 MiB is taken.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileMNYAnalyser : public RawHeaderAnalyser {
public:
    FileMNYAnalyser() : RawHeaderAnalyser(RawType::kMNY, RawSignature::MNY) {}
};
