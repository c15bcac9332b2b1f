// The common form of the analysers whose file length is stated in their header: the signature test sets the
// size, and measuring reads the header again from the device and takes the same size, capped.
#pragma once

#include "raw/IRawFileAnalyser.h"

class RawHeaderAnalyser : public IRawFileAnalyser {
public:
    int IsMatch(const uint8_t* sector, CRawFileInfo* hit) override;
    // Reads the first sector of the hit, tests it again and sets type and size (capped to the maximal RAW file
    // size and the bytes left on the device); 0 when the header no longer matches, cannot be read or states 0.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;

protected:
    RawHeaderAnalyser(int type, RawSignature signature) : IRawFileAnalyser(type, signature) {}
};
