// One whole buffer through a codec, accepted only at the end of its stream.
#include "storage/codecs/CodecBlock.h"

#include <cstdint>

int CompressBlock(ICompressor& compressor, const void* data, int length, void* out, int capacity, int level,
                  int dictionarySize)
{
    if (compressor.Init(level, dictionarySize) != 0) {
        compressor.End();
        return -1;
    }
    compressor.SetInput(data, length);
    uint8_t* next = static_cast<uint8_t*>(out);
    int left = capacity;
    int result = 0;
    while (compressor.GetAvailIn() != 0) {
        compressor.SetOutput(next, left);
        result = compressor.Compress(false);
        if (result < 0) break;
        next = static_cast<uint8_t*>(compressor.GetNextOut());
        left = compressor.GetAvailOut();
    }
    if (result >= 0) {
        compressor.SetOutput(next, left);
        result = compressor.Compress(true);
    }
    const int produced = capacity - compressor.GetAvailOut();
    compressor.End();
    return result == 1 ? produced : -1;
}

int DecompressBlock(IDecompressor& decompressor, const void* data, int length, void* out, int capacity)
{
    if (decompressor.Init() != 0) {
        decompressor.End();
        return -1;
    }
    decompressor.SetInput(data, length);
    decompressor.SetOutput(out, capacity);
    const int result = decompressor.Decompress();
    const int produced = capacity - decompressor.GetAvailOut();
    const bool whole = decompressor.GetAvailIn() == 0;
    decompressor.End();
    return (result > 0 && whole) ? produced : -1;
}
