// The recovery-state stream that the program uses: section payloads are stored as a sequence of
// pieces of at most 4096 bytes, each zlib-compressed when that makes it smaller.
//
// Piece layout: a 16-bit little-endian head, then the stored bytes. Head bit 15: the bytes are one
// zlib stream (decoding to at most 4096 bytes); bits 0-11: stored byte count - 1; bits 12-14: 0.
// The section's payload length counts heads and stored bytes.
#pragma once

#include <cstdint>

#include "storage/codecs/ICompressor.h"
#include "storage/codecs/IDecompressor.h"
#include "core/rsdata/CRSData.h"

class CRSDataEx : public CRSData {
public:
    static constexpr size_t kPieceSize = 4096;
    static constexpr uint16_t kCompressedFlag = 0x8000;
    static constexpr int kZlibLevel = 5;

    explicit CRSDataEx(int mode);
    ~CRSDataEx() override;

    bool EndSection() override;
    // Exactly length bytes or code 5; a piece that cannot be decoded is code 5 as well.
    bool Read(void* buffer, unsigned length) override;
    bool Write(const void* data, unsigned length) override;
    bool Flush() override;

protected:
    void ResetSectionState() override;

private:
    // Makes the next piece's bytes available in m_decoded; throws code 5 when there is none.
    void DecodeNextPiece();
    // Moves unread bytes to the buffer's start and reads more of the section behind them.
    void Refill();

    ICompressor* m_compressor = nullptr;     // kind 2, made on first use
    IDecompressor* m_decompressor = nullptr; // kind 2, made on first use
    uint8_t m_decoded[kPieceSize] = {};
    size_t m_decodedCount = 0;
    size_t m_decodedHandedOut = 0;
    size_t m_readPosition = 0; // in m_buffer; m_bufferCount is its fill level when reading
};
