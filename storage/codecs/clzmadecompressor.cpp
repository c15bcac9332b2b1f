// Decompressor of kind 3 over the LZMA SDK's decoder, decoding into its own window and copying out.
#include "storage/codecs/clzmadecompressor.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "LzmaDec.h"
#include "storage/codecs/LzmaSdkAllocator.h"

struct clzmadecompressor::State {
    CLzmaDec dec;
    bool initialised = false; // Init called since construction or End
    bool allocated = false;   // dec holds working buffers
    bool started = false;     // property bytes read and decoder set up for this stream
    bool ended = false;
    size_t pending = 0; // bytes decoded ahead, just before dec.dicPos, not handed out yet
    uint8_t props[LZMA_PROPS_SIZE] = {};
    int propsHave = 0;
    const uint8_t* in = nullptr;
    size_t inLeft = 0;
    uint8_t* out = nullptr;
    size_t outLeft = 0;

    // Forgets the stream in progress; the buffers given by SetInput and SetOutput stay.
    void Restart(bool isInitialised)
    {
        initialised = isInitialised;
        started = false;
        ended = false;
        pending = 0;
        propsHave = 0;
    }
};

clzmadecompressor::clzmadecompressor() : m_state(std::make_unique<State>())
{
    LzmaDec_Construct(&m_state->dec);
}

clzmadecompressor::~clzmadecompressor()
{
    End();
}

int clzmadecompressor::Init()
{
    // The working buffers stay: the next stream usually has the same properties and reuses them.
    m_state->Restart(true);
    return 0;
}

int clzmadecompressor::End()
{
    State& s = *m_state;
    if (s.allocated) LzmaDec_Free(&s.dec, LzmaSdkAllocator());
    LzmaDec_Construct(&s.dec);
    s.allocated = false;
    s.Restart(false);
    return 0;
}

void clzmadecompressor::SetInput(const void* data, int length)
{
    m_state->in = static_cast<const uint8_t*>(data);
    m_state->inLeft = size_t(std::max(length, 0));
}

void clzmadecompressor::SetOutput(void* buffer, int capacity)
{
    m_state->out = static_cast<uint8_t*>(buffer);
    m_state->outLeft = size_t(std::max(capacity, 0));
}

int clzmadecompressor::GetAvailOut()
{
    return int(m_state->outLeft);
}

int clzmadecompressor::GetAvailIn()
{
    return int(m_state->inLeft);
}

int clzmadecompressor::Decompress()
{
    State& s = *m_state;
    if (!s.initialised) return kBadCall;
    CLzmaDec& d = s.dec;

    // A byte decoded ahead on the previous call goes out first.
    if (s.pending != 0 && s.outLeft != 0) {
        *s.out++ = d.dic[d.dicPos - s.pending];
        --s.outLeft;
        --s.pending;
    }
    if (s.ended) return s.pending != 0 ? 0 : 1;

    if (!s.started) {
        while (s.propsHave < LZMA_PROPS_SIZE && s.inLeft > 0) {
            s.props[s.propsHave++] = *s.in++;
            --s.inLeft;
        }
        if (s.propsHave < LZMA_PROPS_SIZE) return 0;
        CLzmaProps decoded;
        if (LzmaProps_Decode(&decoded, s.props, LZMA_PROPS_SIZE) != SZ_OK) return kBadProperties;
        // Cap the window: the decoder then treats any distance beyond it as corrupt data.
        uint8_t capped[LZMA_PROPS_SIZE];
        std::memcpy(capped, s.props, LZMA_PROPS_SIZE);
        if (decoded.dicSize > kMaxWindow) {
            const uint32_t window = uint32_t(kMaxWindow);
            for (int i = 0; i < 4; ++i) capped[1 + i] = uint8_t(window >> (8 * i));
        }
        const SRes res = LzmaDec_Allocate(&d, capped, LZMA_PROPS_SIZE, LzmaSdkAllocator());
        if (res != SZ_OK) {
            LzmaDec_Free(&d, LzmaSdkAllocator());
            LzmaDec_Construct(&d);
            s.allocated = false;
            return res == SZ_ERROR_MEM ? kNoMemory : kBadProperties;
        }
        s.allocated = true;
        LzmaDec_Init(&d);
        s.started = true;
    }

    while (s.outLeft > 0 && s.pending == 0) {
        if (d.dicPos == d.dicBufSize) d.dicPos = 0;
        const size_t start = d.dicPos;
        const size_t limit = start + std::min(d.dicBufSize - start, s.outLeft);
        SizeT used = s.inLeft;
        ELzmaStatus status;
        const SRes res = LzmaDec_DecodeToDic(&d, limit, s.in, &used, LZMA_FINISH_ANY, &status);
        const size_t got = d.dicPos - start;
        if (got != 0) std::memcpy(s.out, d.dic + start, got);
        s.out += got;
        s.outLeft -= got;
        s.in += used;
        s.inLeft -= used;
        if (res != SZ_OK) return kCorrupt;
        if (status == LZMA_STATUS_FINISHED_WITH_MARK) {
            s.ended = true;
            return 1;
        }
        if (status == LZMA_STATUS_NEEDS_MORE_INPUT || (used == 0 && got == 0)) return 0;
    }
    // The output is full. Decode at most one byte ahead, so that when all that is left of the stream is
    // its end marker, a buffer of exactly the decoded size still reports the end.
    if (s.outLeft == 0 && s.pending == 0 && s.inLeft > 0) {
        if (d.dicPos == d.dicBufSize) d.dicPos = 0;
        const size_t start = d.dicPos;
        SizeT used = s.inLeft;
        ELzmaStatus status;
        const SRes res = LzmaDec_DecodeToDic(&d, start + 1, s.in, &used, LZMA_FINISH_ANY, &status);
        s.pending = d.dicPos - start;
        s.in += used;
        s.inLeft -= used;
        if (res != SZ_OK) return kCorrupt;
        if (status == LZMA_STATUS_FINISHED_WITH_MARK) {
            s.ended = true;
            return s.pending != 0 ? 0 : 1;
        }
    }
    return 0;
}
