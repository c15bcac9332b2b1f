// Sun/NeXT audio (AU): ".snd" with a known data size; the size is the data offset plus the data size.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileAUAnalyser : public RawHeaderAnalyser {
public:
    FileAUAnalyser() : RawHeaderAnalyser(RawType::kAU, RawSignature::AU) {}
};
