// How the RAW result tree measures a hit whose size the scan left at 0: the signature module answers with the
// analyser that serves the hit's analyser type.
#pragma once

#include <cstdint>
#include <string>

class CRawFileInfo;
class IStorageDevice;

class IRawHitMeasurer {
public:
    virtual ~IRawHitMeasurer() = default;
    // Measures the hit's file on the device into size (0: not found), with the analyser's name prefix and extra
    // text. False when no analyser serves the hit. Leaves the hit's own size as it found it.
    virtual bool Measure(CRawFileInfo* hit, IStorageDevice* device, uint64_t& size, std::string& namePrefix,
                         std::string& extraText) = 0;
};
