// Compressor of kind 2: one deflate stream in zlib's own format per Init ... End.
#pragma once

#include <zlib.h>

#include "storage/codecs/ICompressor.h"

class CZlibCompressor final : public ICompressor {
public:
    CZlibCompressor() = default;
    ~CZlibCompressor() override;
    CZlibCompressor(const CZlibCompressor&) = delete;
    CZlibCompressor& operator=(const CZlibCompressor&) = delete;

    int Init(int level, int dictionarySize) override;
    int End() override;
    int Compress(bool finish) override;
    void SetInput(const void* data, int length) override;
    void SetOutput(void* buffer, int capacity) override;
    void* GetNextOut() override { return m_stream.next_out; }
    int GetAvailIn() override { return int(m_stream.avail_in); }
    int GetAvailOut() override { return int(m_stream.avail_out); }
    const char* GetName() override { return "zlib"; }
    const char* GetErrorString(int code) override;

private:
    z_stream m_stream{};
    bool m_active = false; // deflate state allocated between Init and End
};
