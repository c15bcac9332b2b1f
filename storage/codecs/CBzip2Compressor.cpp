// Compressor of kind 1 over libbz2.
#include "storage/codecs/CBzip2Compressor.h"

#include <algorithm>

CBzip2Compressor::~CBzip2Compressor()
{
    End();
}

int CBzip2Compressor::Init(int level, int /*dictionarySize*/)
{
    End();
    m_stream = bz_stream{};
    m_lastResult = BZ_OK;
    const int result = BZ2_bzCompressInit(&m_stream, level, 0, 30);
    m_active = result == BZ_OK;
    return result;
}

int CBzip2Compressor::End()
{
    if (!m_active) return BZ_SEQUENCE_ERROR;
    m_active = false;
    return BZ2_bzCompressEnd(&m_stream);
}

int CBzip2Compressor::Compress(bool finish)
{
    if (!m_active) return BZ_SEQUENCE_ERROR;
    // Once the stream is complete the library refuses further calls; finishing again keeps saying so.
    if (m_lastResult == BZ_STREAM_END) return finish ? 1 : BZ_SEQUENCE_ERROR;
    m_lastResult = BZ2_bzCompress(&m_stream, finish ? BZ_FINISH : BZ_RUN);
    if (m_lastResult < 0) return m_lastResult;
    // The end is reported on the call that completes the stream, so that one finishing call tells
    // whether the whole stream fitted in the output.
    return m_lastResult == BZ_STREAM_END ? 1 : 0;
}

void CBzip2Compressor::SetInput(const void* data, int length)
{
    m_stream.next_in = static_cast<char*>(const_cast<void*>(data));
    m_stream.avail_in = unsigned(std::max(length, 0));
}

void CBzip2Compressor::SetOutput(void* buffer, int capacity)
{
    m_stream.next_out = static_cast<char*>(buffer);
    m_stream.avail_out = unsigned(std::max(capacity, 0));
}

const char* CBzip2Compressor::GetErrorString(int code)
{
    switch (code) {
    case BZ_SEQUENCE_ERROR: return "sequence error - bad call";
    case BZ_PARAM_ERROR: return "parameter error - bad call";
    case BZ_MEM_ERROR: return "not enough memory";
    case BZ_CONFIG_ERROR: return "config error";
    default: return "unknown error";
    }
}
