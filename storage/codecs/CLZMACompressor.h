// Compressor of kind 3: an LZMA stream of 5 property bytes, the range-coded data and an end marker
// (no size field). The input of a stream is gathered until the finishing call, encoded in one pass
// and then handed out into as many output buffers as the caller supplies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "storage/codecs/ICompressor.h"

class CLZMACompressor final : public ICompressor {
public:
    // Results besides 0 and 1.
    static constexpr int kBadCall = -1;
    static constexpr int kInitFailed = -2;
    static constexpr int kIoError = -4;
    static constexpr int kNoMemory = -5;

    CLZMACompressor();
    ~CLZMACompressor() override;
    CLZMACompressor(const CLZMACompressor&) = delete;
    CLZMACompressor& operator=(const CLZMACompressor&) = delete;

    // The level is ignored: normal mode, 64 fast bytes, the given dictionary size.
    int Init(int level, int dictionarySize) override;
    int End() override;
    int Compress(bool finish) override;
    void SetInput(const void* data, int length) override;
    void SetOutput(void* buffer, int capacity) override;
    void* GetNextOut() override { return m_out; }
    int GetAvailIn() override { return m_inLeft; }
    int GetAvailOut() override { return m_outLeft; }
    const char* GetName() override { return "lzma"; }
    const char* GetErrorString(int code) override;

private:
    int Encode();

    void* m_encoder = nullptr; // the SDK's encoder handle, made once per compressor
    bool m_stopped = true;     // no stream between Init and End
    int m_result = 0;          // 0 running, 1 stream complete and handed out, negative error
    bool m_encoded = false;    // m_stream holds the finished stream
    const uint8_t* m_in = nullptr;
    int m_inLeft = 0;
    uint8_t* m_out = nullptr;
    int m_outLeft = 0;
    std::vector<uint8_t> m_input;  // everything given since Init
    std::vector<uint8_t> m_stream; // the encoded stream, handed out from m_handedOut on
    size_t m_handedOut = 0;
};
