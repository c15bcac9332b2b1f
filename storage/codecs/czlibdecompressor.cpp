// Decompressor of kind 2 over zlib's inflate.
#include "storage/codecs/czlibdecompressor.h"

czlibdecompressor::~czlibdecompressor()
{
    End();
}

int czlibdecompressor::Init()
{
    return OpenStream([](z_stream* stream) { return inflateInit(stream); });
}

int czlibdecompressor::Decompress()
{
    if (!m_active) return Z_STREAM_ERROR;
    const int result = inflate(&m_stream, Z_NO_FLUSH);
    // A stream asking for a preset dictionary is none of ours; its positive code must not read as the end.
    return result == Z_NEED_DICT ? Z_DATA_ERROR : result;
}

int czlibdecompressor::End()
{
    return CloseStream(inflateEnd, Z_STREAM_ERROR);
}
