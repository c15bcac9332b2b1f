// Compressor of kind 1: one bzip2 stream per Init ... End.
#pragma once

#include <bzlib.h>

#include "storage/codecs/ICompressor.h"

class CBzip2Compressor final : public ICompressor {
public:
    CBzip2Compressor() = default;
    ~CBzip2Compressor() override;
    CBzip2Compressor(const CBzip2Compressor&) = delete;
    CBzip2Compressor& operator=(const CBzip2Compressor&) = delete;

    int Init(int level, int dictionarySize) override;
    int End() override;
    int Compress(bool finish) override;
    void SetInput(const void* data, int length) override;
    void SetOutput(void* buffer, int capacity) override;
    void* GetNextOut() override { return m_stream.next_out; }
    int GetAvailIn() override { return int(m_stream.avail_in); }
    int GetAvailOut() override { return int(m_stream.avail_out); }
    const char* GetName() override { return "bzip2"; }
    const char* GetErrorString(int code) override;

private:
    bz_stream m_stream{};
    bool m_active = false;
    int m_lastResult = BZ_OK; // of the last BZ2_bzCompress call
};
