// Decompressor of kind 2: one zlib-format deflate stream per Init ... End.
#pragma once

#include <zlib.h>

#include "storage/codecs/IDecompressor.h"

class czlibdecompressor final : public IDecompressor {
public:
    czlibdecompressor() = default;
    ~czlibdecompressor() override;
    czlibdecompressor(const czlibdecompressor&) = delete;
    czlibdecompressor& operator=(const czlibdecompressor&) = delete;

    int Init() override;
    void SetInput(const void* data, int length) override;
    void SetOutput(void* buffer, int capacity) override;
    int GetAvailOut() override { return int(m_stream.avail_out); }
    // 0 progress, Z_STREAM_END (1) at the end of the stream, negative error.
    int Decompress() override;
    int End() override;
    int GetAvailIn() override { return int(m_stream.avail_in); }

private:
    z_stream m_stream{};
    bool m_active = false;
};
