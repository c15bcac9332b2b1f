// One whole buffer through a codec as one independent stream, in the order every user follows
// (Init, SetInput, Compress while input remains, one finishing Compress, End). A result counts only
// when the stream reached its end; otherwise the caller keeps the bytes as they are.
#pragma once

#include "storage/codecs/ICompressor.h"
#include "storage/codecs/IDecompressor.h"

// The length of the complete stream written to out, or -1 when the codec failed or the stream did
// not fit in capacity bytes.
int CompressBlock(ICompressor& compressor, const void* data, int length, void* out, int capacity, int level,
                  int dictionarySize);

// The decoded length, or -1 unless the input is exactly one complete stream whose output fits in
// capacity bytes.
int DecompressBlock(IDecompressor& decompressor, const void* data, int length, void* out, int capacity);
