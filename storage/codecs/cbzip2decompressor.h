// Decompressor of kind 1: one bzip2 stream per Init ... End.
#pragma once

#include <bzlib.h>

#include "storage/codecs/CLibraryStreamCodec.h"
#include "storage/codecs/IDecompressor.h"

class cbzip2decompressor final : public CLibraryStreamCodec<bz_stream, IDecompressor> {
public:
    cbzip2decompressor() = default;
    ~cbzip2decompressor() override;

    int Init() override;
    // 0 progress, BZ_STREAM_END (4) at the end of the stream and on every later call, negative error.
    int Decompress() override;
    int End() override;

private:
    bool m_ended = false;
};
