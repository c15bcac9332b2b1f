// Help files (HLP): magic 3F 5F 03 00; the size is the file size field at 12.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileHLPAnalyser : public RawHeaderAnalyser {
public:
    FileHLPAnalyser() : RawHeaderAnalyser(RawType::kHLP, RawSignature::HLP) {}
};
