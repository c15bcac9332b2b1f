// Compressor of kind 3 over the LZMA SDK's encoder.
#include "storage/codecs/CLZMACompressor.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "LzmaEnc.h"
#include "storage/codecs/LzmaSdkAllocator.h"

CLZMACompressor::CLZMACompressor()
{
    m_encoder = LzmaEnc_Create(LzmaSdkAllocator());
}

CLZMACompressor::~CLZMACompressor()
{
    End();
    if (m_encoder) LzmaEnc_Destroy(m_encoder, LzmaSdkAllocator(), LzmaSdkAllocator());
}

int CLZMACompressor::Init(int /*level*/, int dictionarySize)
{
    End();
    if (!m_encoder) return kInitFailed;
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.dictSize = uint32_t(dictionarySize);
    props.algo = 1; // normal (optimising) mode
    props.fb = 64;
    props.writeEndMark = 1;
    props.numThreads = 1;
    if (dictionarySize <= 0 || LzmaEnc_SetProps(m_encoder, &props) != SZ_OK) return kInitFailed;
    m_stopped = false;
    m_result = 0;
    return 0;
}

int CLZMACompressor::End()
{
    m_stopped = true;
    m_encoded = false;
    m_result = 0;
    m_in = nullptr;
    m_inLeft = 0;
    m_out = nullptr;
    m_outLeft = 0;
    m_input.clear();
    m_stream.clear();
    m_handedOut = 0;
    return 0;
}

int CLZMACompressor::Compress(bool finish)
{
    if (m_stopped) return finish ? 0 : kBadCall;
    if (m_result != 0) return (m_result == 1 && !finish) ? kBadCall : m_result;
    if (!m_encoded) {
        try {
            m_input.insert(m_input.end(), m_in, m_in + m_inLeft);
        } catch (const std::bad_alloc&) {
            return m_result = kNoMemory;
        }
        m_in += m_inLeft;
        m_inLeft = 0;
        if (!finish) return 0;
        if (const int failed = Encode()) return m_result = failed;
        m_encoded = true;
    } else if (!finish) {
        return kBadCall;
    }
    const size_t n = std::min(size_t(m_outLeft), m_stream.size() - m_handedOut);
    if (n != 0) std::memcpy(m_out, m_stream.data() + m_handedOut, n);
    m_handedOut += n;
    m_out += n;
    m_outLeft -= int(n);
    if (m_handedOut < m_stream.size()) return 0;
    return m_result = 1;
}

int CLZMACompressor::Encode()
{
    try {
        // Worst case of the range coder on incompressible input is a little above the input size.
        size_t capacity = m_input.size() + m_input.size() / 16 + 4096;
        for (int attempt = 0; attempt < 3; ++attempt, capacity *= 2) {
            m_stream.resize(LZMA_PROPS_SIZE + capacity);
            SizeT propsSize = LZMA_PROPS_SIZE;
            if (LzmaEnc_WriteProperties(m_encoder, m_stream.data(), &propsSize) != SZ_OK) return kIoError;
            SizeT produced = capacity;
            const SRes res = LzmaEnc_MemEncode(m_encoder, m_stream.data() + LZMA_PROPS_SIZE, &produced, m_input.data(),
                                               m_input.size(), 1, nullptr, LzmaSdkAllocator(), LzmaSdkAllocator());
            if (res == SZ_ERROR_OUTPUT_EOF) continue;
            if (res == SZ_ERROR_MEM) return kNoMemory;
            if (res != SZ_OK) return kIoError;
            m_stream.resize(LZMA_PROPS_SIZE + produced);
            m_handedOut = 0;
            m_input.clear();
            return 0;
        }
        return kIoError;
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

void CLZMACompressor::SetInput(const void* data, int length)
{
    m_in = static_cast<const uint8_t*>(data);
    m_inLeft = std::max(length, 0);
}

void CLZMACompressor::SetOutput(void* buffer, int capacity)
{
    m_out = static_cast<uint8_t*>(buffer);
    m_outLeft = std::max(capacity, 0);
}

const char* CLZMACompressor::GetErrorString(int code)
{
    switch (code) {
    case -1: return "bad call";
    case -2: return "initialization failed";
    case -3: return "thread synchronization error";
    case -4: return "input/output error";
    case -5: return "not enough memory";
    default: return "unknown error";
    }
}
