// Compressor of kind 1 over libbz2.
#include "storage/codecs/CBzip2Compressor.h"

CBzip2Compressor::~CBzip2Compressor()
{
    End();
}

int CBzip2Compressor::Init(int level, int /*dictionarySize*/)
{
    m_lastResult = BZ_OK;
    return OpenStream([level](bz_stream* stream) { return BZ2_bzCompressInit(stream, level, 0, 30); });
}

int CBzip2Compressor::End()
{
    return CloseStream(BZ2_bzCompressEnd, BZ_SEQUENCE_ERROR);
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
