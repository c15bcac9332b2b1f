// Decompressor of kind 2: one zlib-format deflate stream per Init ... End.
#pragma once

#include <zlib.h>

#include "storage/codecs/CLibraryStreamCodec.h"
#include "storage/codecs/IDecompressor.h"

class czlibdecompressor final : public CLibraryStreamCodec<z_stream, IDecompressor> {
public:
    czlibdecompressor() = default;
    ~czlibdecompressor() override;

    int Init() override;
    // 0 progress, Z_STREAM_END (1) at the end of the stream, negative error.
    int Decompress() override;
    int End() override;
};
