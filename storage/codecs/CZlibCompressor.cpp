// Compressor of kind 2 over zlib's deflate.
#include "storage/codecs/CZlibCompressor.h"

#include <algorithm>

CZlibCompressor::~CZlibCompressor()
{
    End();
}

int CZlibCompressor::Init(int level, int /*dictionarySize*/)
{
    End();
    m_stream = z_stream{};
    // The library's own macro passes its version and the structure size it was built with.
    const int result = deflateInit(&m_stream, level);
    m_active = result == Z_OK;
    return result;
}

int CZlibCompressor::End()
{
    if (!m_active) return Z_STREAM_ERROR;
    m_active = false;
    return deflateEnd(&m_stream);
}

int CZlibCompressor::Compress(bool finish)
{
    if (!m_active) return Z_STREAM_ERROR;
    return deflate(&m_stream, finish ? Z_FINISH : Z_NO_FLUSH);
}

void CZlibCompressor::SetInput(const void* data, int length)
{
    m_stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    m_stream.avail_in = uInt(std::max(length, 0));
}

void CZlibCompressor::SetOutput(void* buffer, int capacity)
{
    m_stream.next_out = static_cast<Bytef*>(buffer);
    m_stream.avail_out = uInt(std::max(capacity, 0));
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
