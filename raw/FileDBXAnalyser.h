// Mail store files (DBX): one of the known class GUIDs; the size is the file size field at 124.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class FileDBXAnalyser : public RawHeaderAnalyser {
public:
    FileDBXAnalyser() : RawHeaderAnalyser(RawType::kDBX, RawSignature::DBX) {}
};
