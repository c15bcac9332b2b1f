// Compressor of kind 1: one bzip2 stream per Init ... End.
#pragma once

#include <bzlib.h>

#include "storage/codecs/CLibraryStreamCodec.h"
#include "storage/codecs/ICompressor.h"

class CBzip2Compressor final : public CLibraryStreamCodec<bz_stream, ICompressor> {
public:
    CBzip2Compressor() = default;
    ~CBzip2Compressor() override;

    int Init(int level, int dictionarySize) override;
    int End() override;
    int Compress(bool finish) override;
    void* GetNextOut() override { return m_stream.next_out; }
    const char* GetName() override { return "bzip2"; }
    const char* GetErrorString(int code) override;

private:
    int m_lastResult = BZ_OK; // of the last BZ2_bzCompress call
};
