// LZNT1 chunk decoder.
#include "storage/saving/Lznt1.h"

#include <algorithm>
#include <cstring>

size_t DecompressLznt1Chunk(uint8_t* destination, size_t capacity, const uint8_t* chunk, size_t available)
{
    capacity = std::min(capacity, kLznt1ChunkBytes);
    if (capacity == 0 || available < 2) return 0;
    const uint16_t header = uint16_t(chunk[0] | (chunk[1] << 8));
    const size_t end = std::min(Lznt1ChunkLength(header), available);

    if (!(header & 0x8000)) {
        const size_t count = std::min({size_t(header & 0x0FFF) + 1, end - 2, capacity});
        std::memcpy(destination, chunk + 2, count);
        return count;
    }

    size_t in = 2;
    size_t out = 0;
    while (in < end && out < capacity) {
        const uint8_t flags = chunk[in++];
        for (int bit = 0; bit < 8 && in < end && out < capacity; ++bit) {
            if (!(flags & (1u << bit))) {
                destination[out++] = chunk[in++];
                continue;
            }
            if (end - in < 2) return out; // a token cut off by the end of the chunk
            const uint16_t token = uint16_t(chunk[in] | (chunk[in + 1] << 8));
            in += 2;
            // The further into the chunk, the more bits of a token go to the distance (out < 4096 keeps
            // shift at 8 or below).
            unsigned shift = 0;
            if (out > 0)
                for (size_t v = out - 1; v >= 16; v >>= 1) ++shift;
            const size_t length = size_t(token & (0x0FFFu >> shift)) + 3;
            const size_t distance = size_t(token >> (12 - shift)) + 1;
            for (size_t k = 0; k < length && out < capacity; ++k, ++out)
                destination[out] = distance <= out ? destination[out - distance] : 0;
        }
    }
    return out;
}

void DecodeCompressionUnit(const uint8_t* data, size_t dataBytes, uint8_t* out, size_t unitBytes)
{
    std::memset(out, 0, unitBytes);
    if (dataBytes >= 2 && data[0] == 0 && data[1] == 0) {
        std::memcpy(out, data, std::min(dataBytes, unitBytes));
        return;
    }
    size_t in = 0;
    for (size_t slot = 0; slot < unitBytes && dataBytes - in >= 2; slot += kLznt1ChunkBytes) {
        const uint16_t header = uint16_t(data[in] | (data[in + 1] << 8));
        if (header == 0) break;
        DecompressLznt1Chunk(out + slot, std::min(kLznt1ChunkBytes, unitBytes - slot), data + in, dataBytes - in);
        const size_t length = Lznt1ChunkLength(header);
        if (length >= dataBytes - in) break;
        in += length;
    }
}
