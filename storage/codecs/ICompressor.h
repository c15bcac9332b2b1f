// Streaming compressor over one of the codec libraries, chosen by kind. Each buffer is compressed as
// an independent stream between Init and End; results: 0 progress, 1 end of stream, negative error.
#pragma once

// Codec kinds, also stored in disk-image headers.
enum CompressionKind : int {
    COMPRESSION_STORED = 0, // data kept as read; no codec object
    COMPRESSION_BZIP2 = 1,
    COMPRESSION_ZLIB = 2,
    COMPRESSION_LZMA = 3,
};

class ICompressor {
public:
    virtual ~ICompressor() = default;

    // Starts a new stream (ending one still open). 0 ready, negative error. The dictionary size is used
    // by LZMA only; the level by zlib (0..9) and bzip2 (block size in 100 k units, 1..9).
    virtual int Init(int level, int dictionarySize) = 0;
    // Ends the stream and releases what it holds; the library's result (LZMA: 0).
    virtual int End() = 0;
    // Consumes input and produces output; with finish, completes the stream. 0 progress, 1 the stream
    // is complete (all of it is in the output buffers), negative error.
    virtual int Compress(bool finish) = 0;
    virtual void SetInput(const void* data, int length) = 0;
    virtual void SetOutput(void* buffer, int capacity) = 0;
    virtual void* GetNextOut() = 0;
    virtual int GetAvailIn() = 0;
    virtual int GetAvailOut() = 0;
    virtual const char* GetName() = 0;
    // English text of a negative result; "unknown error" for anything else.
    virtual const char* GetErrorString(int code) = 0;
};

// A new compressor of kind 1, 2 or 3; null for any other kind. The caller deletes it.
ICompressor* CreateCompressor(int kind);
void DeleteCompressor(ICompressor* compressor);
