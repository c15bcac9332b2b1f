// 3D Studio scenes (3DS): main chunk 4D4D followed by the editor chunk 3D3D; the size is the main
// chunk's length.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class File3DSAnalyser : public RawHeaderAnalyser {
public:
    File3DSAnalyser() : RawHeaderAnalyser(RawType::k3DS, RawSignature::ThreeDS) {}
};
