// Compressor of kind 2: one deflate stream in zlib's own format per Init ... End.
#pragma once

#include <zlib.h>

#include "storage/codecs/CLibraryStreamCodec.h"
#include "storage/codecs/ICompressor.h"

class CZlibCompressor final : public CLibraryStreamCodec<z_stream, ICompressor> {
public:
    CZlibCompressor() = default;
    ~CZlibCompressor() override;

    int Init(int level, int dictionarySize) override;
    int End() override;
    int Compress(bool finish) override;
    void* GetNextOut() override { return m_stream.next_out; }
    const char* GetName() override { return "zlib"; }
    const char* GetErrorString(int code) override;
};
