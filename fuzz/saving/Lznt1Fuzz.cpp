// fuzz-target: salvix_saving
// LZNT1 as the saver meets it: the first byte chooses the size of the compression unit (1 to 16 chunk slots)
// and the output capacity of a single chunk; the rest is the unit's data clusters. Both decoders must stay
// inside their buffers (the sanitizers watch) and produce what they promise.
#include "storage/saving/Lznt1.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > (1u << 17)) return -1;
    const size_t slots = size_t(data[0] & 0x0F) + 1;
    const size_t capacity = size_t(data[0] >> 4) * 300;
    const uint8_t* body = data + 1;
    const size_t bodyBytes = size - 1;

    // Exact-size copies, so that any read past the end is caught.
    std::vector<uint8_t> input(body, body + bodyBytes);
    std::vector<uint8_t> unit(slots * kLznt1ChunkBytes, 0xCC);
    DecodeCompressionUnit(input.data(), input.size(), unit.data(), unit.size());

    std::vector<uint8_t> chunk(capacity);
    const size_t produced = DecompressLznt1Chunk(chunk.data(), chunk.size(), input.data(), input.size());
    if (produced > capacity || produced > kLznt1ChunkBytes) std::abort();
    return 0;
}
