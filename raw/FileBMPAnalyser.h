// Bitmaps (BMP): "BM" with a 40- or 124-byte information header; the size is the header's file size.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileBMPAnalyser : public RawHeaderAnalyser {
public:
    FileBMPAnalyser() : RawHeaderAnalyser(RawType::kBMP, RawSignature::BMP) {}
};
