// Note files (ONE): the file-type GUID; the size is the expected file length of the header, with a
// fixed 3 MiB when it is 0 or implausibly large.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileONEAnalyser : public RawHeaderAnalyser {
public:
    FileONEAnalyser() : RawHeaderAnalyser(RawType::kONE, RawSignature::ONE) {}
};
