// Decompressor of kind 1: one bzip2 stream per Init ... End.
#pragma once

#include <bzlib.h>

#include "storage/codecs/IDecompressor.h"

class cbzip2decompressor final : public IDecompressor {
public:
    cbzip2decompressor() = default;
    ~cbzip2decompressor() override;
    cbzip2decompressor(const cbzip2decompressor&) = delete;
    cbzip2decompressor& operator=(const cbzip2decompressor&) = delete;

    int Init() override;
    void SetInput(const void* data, int length) override;
    void SetOutput(void* buffer, int capacity) override;
    int GetAvailOut() override { return int(m_stream.avail_out); }
    // 0 progress, BZ_STREAM_END (4) at the end of the stream and on every later call, negative error.
    int Decompress() override;
    int End() override;
    int GetAvailIn() override { return int(m_stream.avail_in); }

private:
    bz_stream m_stream{};
    bool m_active = false;
    bool m_ended = false;
};
