// Measures hits for the RAW result tree with the process-wide analyser list: the first analyser whose type
// equals the hit's analyser type (as unsigned 16-bit values).
#pragma once

#include "filesystems/tree/IRawHitMeasurer.h"

class RawListHitMeasurer : public IRawHitMeasurer {
public:
    bool Measure(CRawFileInfo* hit, IStorageDevice* device, uint64_t& size, std::string& namePrefix,
                 std::string& extraText) override;
};
