// Decompressor of kind 1 over libbz2.
#include "storage/codecs/cbzip2decompressor.h"

cbzip2decompressor::~cbzip2decompressor()
{
    End();
}

int cbzip2decompressor::Init()
{
    m_ended = false;
    return OpenStream([](bz_stream* stream) { return BZ2_bzDecompressInit(stream, 0, 0); });
}

int cbzip2decompressor::Decompress()
{
    if (!m_active) return BZ_SEQUENCE_ERROR;
    // The library answers a call after the end with a sequence error; the end stays the end.
    if (m_ended) return BZ_STREAM_END;
    const int result = BZ2_bzDecompress(&m_stream);
    m_ended = result == BZ_STREAM_END;
    return result;
}

int cbzip2decompressor::End()
{
    return CloseStream(BZ2_bzDecompressEnd, BZ_SEQUENCE_ERROR);
}
