// Icons and cursors (ICO, CUR): up to 16 directory entries; the size is the directory plus every image.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileICOAnalyser : public RawHeaderAnalyser {
public:
    FileICOAnalyser() : RawHeaderAnalyser(RawType::kICO, RawSignature::ICO) {}
};
