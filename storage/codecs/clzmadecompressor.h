// Decompressor of kind 3: reads the 5 property bytes, then the range-coded data up to the end marker.
// The dictionary window is capped (kMaxWindow), so a crafted property block cannot make it allocate
// without bound; a stream that reaches back further than the window fails as corrupt.
#pragma once

#include <cstddef>
#include <memory>

#include "storage/codecs/IDecompressor.h"

class clzmadecompressor final : public IDecompressor {
public:
    static constexpr size_t kMaxWindow = size_t(64) << 20;
    // Results besides 0 and 1.
    static constexpr int kBadCall = -1;
    static constexpr int kBadProperties = -2;
    static constexpr int kCorrupt = -3;
    static constexpr int kNoMemory = -5;

    clzmadecompressor();
    ~clzmadecompressor() override;
    clzmadecompressor(const clzmadecompressor&) = delete;
    clzmadecompressor& operator=(const clzmadecompressor&) = delete;

    int Init() override;
    void SetInput(const void* data, int length) override;
    void SetOutput(void* buffer, int capacity) override;
    int GetAvailOut() override;
    // 0 progress, 1 the end marker has been passed (and on every later call), negative error.
    int Decompress() override;
    // Releases the working buffers; 0.
    int End() override;
    int GetAvailIn() override;

private:
    struct State;
    std::unique_ptr<State> m_state;
};
