// Streaming decompressor over one of the codec libraries, chosen by the same kinds as ICompressor.
// Results of Decompress: 0 progress, positive end of stream reached, negative error (not a stream
// of this codec, corrupt data, or no memory).
#pragma once

#include "storage/codecs/ICompressor.h"

class IDecompressor {
public:
    virtual ~IDecompressor() = default;

    // Starts a new stream; 0 ready, negative error.
    virtual int Init() = 0;
    virtual void SetInput(const void* data, int length) = 0;
    virtual void SetOutput(void* buffer, int capacity) = 0;
    virtual int GetAvailOut() = 0;
    virtual int Decompress() = 0;
    virtual int End() = 0;
    // Input bytes not consumed yet (bytes after the end of a stream stay here).
    virtual int GetAvailIn() = 0;
};

// A new decompressor of kind 1, 2 or 3; null for any other kind. The caller deletes it.
IDecompressor* CreateDecompressor(int kind);
void DeleteDecompressor(IDecompressor* decompressor);
