// Decompressor of kind 1 over libbz2.
#include "storage/codecs/cbzip2decompressor.h"

#include <algorithm>

cbzip2decompressor::~cbzip2decompressor()
{
    End();
}

int cbzip2decompressor::Init()
{
    End();
    m_stream = bz_stream{};
    m_ended = false;
    const int result = BZ2_bzDecompressInit(&m_stream, 0, 0);
    m_active = result == BZ_OK;
    return result;
}

void cbzip2decompressor::SetInput(const void* data, int length)
{
    m_stream.next_in = static_cast<char*>(const_cast<void*>(data));
    m_stream.avail_in = unsigned(std::max(length, 0));
}

void cbzip2decompressor::SetOutput(void* buffer, int capacity)
{
    m_stream.next_out = static_cast<char*>(buffer);
    m_stream.avail_out = unsigned(std::max(capacity, 0));
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
    if (!m_active) return BZ_SEQUENCE_ERROR;
    m_active = false;
    return BZ2_bzDecompressEnd(&m_stream);
}
