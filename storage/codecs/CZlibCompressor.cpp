// Compressor of kind 2 over zlib's deflate.
#include "storage/codecs/CZlibCompressor.h"

CZlibCompressor::~CZlibCompressor()
{
    End();
}

int CZlibCompressor::Init(int level, int /*dictionarySize*/)
{
    // The library's own macro passes its version and the structure size it was built with.
    return OpenStream([level](z_stream* stream) { return deflateInit(stream, level); });
}

int CZlibCompressor::End()
{
    return CloseStream(deflateEnd, Z_STREAM_ERROR);
}

int CZlibCompressor::Compress(bool finish)
{
    if (!m_active) return Z_STREAM_ERROR;
    return deflate(&m_stream, finish ? Z_FINISH : Z_NO_FLUSH);
}

const char* CZlibCompressor::GetErrorString(int code)
{
    switch (code) {
    case Z_STREAM_ERROR: return "invalid stream - bad call";
    case Z_DATA_ERROR: return "data error";
    case Z_MEM_ERROR: return "not enough memory";
    case Z_BUF_ERROR: return "buffer error - bad call";
    case Z_VERSION_ERROR: return "version error";
    default: return "unknown error";
    }
}
