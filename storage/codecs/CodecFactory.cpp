// The factories of compressors and decompressors by kind.
#include "storage/codecs/CBzip2Compressor.h"
#include "storage/codecs/CLZMACompressor.h"
#include "storage/codecs/CZlibCompressor.h"
#include "storage/codecs/cbzip2decompressor.h"
#include "storage/codecs/clzmadecompressor.h"
#include "storage/codecs/czlibdecompressor.h"

ICompressor* CreateCompressor(int kind)
{
    switch (kind) {
    case COMPRESSION_BZIP2: return new CBzip2Compressor;
    case COMPRESSION_ZLIB: return new CZlibCompressor;
    case COMPRESSION_LZMA: return new CLZMACompressor;
    default: return nullptr;
    }
}

void DeleteCompressor(ICompressor* compressor)
{
    delete compressor;
}

IDecompressor* CreateDecompressor(int kind)
{
    switch (kind) {
    case COMPRESSION_BZIP2: return new cbzip2decompressor;
    case COMPRESSION_ZLIB: return new czlibdecompressor;
    case COMPRESSION_LZMA: return new clzmadecompressor;
    default: return nullptr;
    }
}

void DeleteDecompressor(IDecompressor* decompressor)
{
    delete decompressor;
}
