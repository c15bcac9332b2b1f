// gzip files (GZ): 1F 8B 08. A gzip stream does not state its length, so the size taken is the maximal RAW file
// size option (cut at the device's end).
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileGZAnalyser : public RawHeaderAnalyser {
public:
    FileGZAnalyser() : RawHeaderAnalyser(29, RawSignature::GZ) {}

    // Sets the size without reading the file; 1.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
};
