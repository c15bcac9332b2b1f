// The end-marker walker: formats without a length field (HTML pages, drawing exchange files, FreeHand 11
// drawings) end at a fixed byte string, found case-insensitively from the file's first byte.
#pragma once

#include "raw/SpanWalk.h"

#include <cstdint>

class CRawFileInfo;
class IStorageDevice;

struct TextMarker {
    uint8_t marker[64] = {};
    uint32_t markerLength = 0;
    uint64_t limit = 0; // 0: the maximal RAW file size option
};

// Makes a marker from length bytes (at most 64) and a limit.
TextMarker MakeTextMarker(const void* bytes, uint32_t length, uint64_t limit);

// Scans for the marker from offset 0. Found at p: size p + marker length, ok. Not found before the limit (the
// marker's, or limits.maxFileSize when it is 0): size = the first position beyond it, ok. A position that
// cannot be read first fails without a size.
SpanWalkResult WalkTextMarker(SpanSource& source, const TextMarker& marker, const SpanWalkLimits& limits);

// The walk on a hit: measures from the hit's first sector on the device and sets the hit's size. 1 on success.
int FindTextMarker(CRawFileInfo* hit, IStorageDevice* device, const TextMarker& marker);
