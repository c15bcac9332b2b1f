// Decompressor of kind 2 over zlib's inflate.
#include "storage/codecs/czlibdecompressor.h"

#include <algorithm>

czlibdecompressor::~czlibdecompressor()
{
    End();
}

int czlibdecompressor::Init()
{
    End();
    m_stream = z_stream{};
    const int result = inflateInit(&m_stream);
    m_active = result == Z_OK;
    return result;
}

void czlibdecompressor::SetInput(const void* data, int length)
{
    m_stream.next_in = static_cast<Bytef*>(const_cast<void*>(data));
    m_stream.avail_in = uInt(std::max(length, 0));
}

void czlibdecompressor::SetOutput(void* buffer, int capacity)
{
    m_stream.next_out = static_cast<Bytef*>(buffer);
    m_stream.avail_out = uInt(std::max(capacity, 0));
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
    if (!m_active) return Z_STREAM_ERROR;
    m_active = false;
    return inflateEnd(&m_stream);
}
