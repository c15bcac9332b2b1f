// gzip files (GZ): 1F 8B 08. A gzip member does not state its length, so the file is measured by running its
// deflate stream to the end with zlib: the member's header, its compressed data and its 8-byte trailer (CRC-32
// and length, both checked), then any further members that follow directly.
#pragma once

#include "raw/RawHeaderAnalyser.h"

class RawWalk;

class FileGZAnalyser : public RawHeaderAnalyser {
public:
    FileGZAnalyser() : RawHeaderAnalyser(RawType::kGZ, RawSignature::GZ) {}

    // Size: every whole member from the start. A first member that breaks off (damaged data, a wrong checksum,
    // the end of the device or of the size option) is kept up to the last byte zlib took when it gave any data;
    // otherwise 0.
    int Analyse(CRawFileInfo* hit, IStorageDevice* device) override;
};

// The measuring walk of FileGZAnalyser (sets the hit's size; 1 on success, 0 when nothing was measured).
int MeasureGzipMembers(RawWalk& walk);
