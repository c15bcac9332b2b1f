// Windows metafiles (WMF), with or without the placeable header; the size is the metafile's word count
// doubled (plus the 22-byte placeable header).
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileWMFAnalyser : public RawHeaderAnalyser {
public:
    FileWMFAnalyser() : RawHeaderAnalyser(RawType::kWMF, RawSignature::WMF) {}
};
