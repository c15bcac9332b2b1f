// The recovery-state stream with compressed pieces.
#include "storage/recoverystate/CRSDataEx.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/bytes/ByteReader.h"
#include "storage/codecs/CodecBlock.h"

namespace {

// zlib's window setting is fixed; the size is only passed on.
constexpr int kDictionarySize = 8388608;
// Output area of one piece: enough for any 4096 bytes zlib takes, though only smaller results are kept.
constexpr int kCompressArea = 8190;

} // namespace

CRSDataEx::CRSDataEx(int mode) : CRSData(mode) {}

CRSDataEx::~CRSDataEx()
{
    Close();
    DeleteCompressor(m_compressor);
    DeleteDecompressor(m_decompressor);
}

void CRSDataEx::ResetSectionState()
{
    m_decodedCount = 0;
    m_decodedHandedOut = 0;
    m_readPosition = 0;
}

bool CRSDataEx::EndSection()
{
    return CRSData::EndSection();
}

bool CRSDataEx::Write(const void* data, unsigned length)
{
    if (m_mode != kModeWrite) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    if (!SectionOpen()) throw CRSException(RS_ERROR_NO_SECTION);
    const auto* p = static_cast<const uint8_t*>(data);
    while (length > 0 && m_pendingError == 0) {
        const size_t n = std::min<size_t>(length, kBufferSize - m_bufferCount);
        std::memcpy(m_buffer.get() + m_bufferCount, p, n);
        m_bufferCount += n;
        p += n;
        length -= unsigned(n);
        if (m_bufferCount == kBufferSize) Flush();
    }
    ThrowPending();
    return true;
}

bool CRSDataEx::Flush()
{
    if (m_bufferCount == 0) return false;
    if (!m_compressor) m_compressor = CreateCompressor(COMPRESSION_ZLIB);
    // All pieces of one flush go to the file in one write.
    std::vector<uint8_t> out;
    out.reserve(m_bufferCount + (m_bufferCount / kPieceSize + 1) * 2);
    uint8_t packed[kCompressArea];
    for (size_t at = 0; at < m_bufferCount; at += kPieceSize) {
        const size_t n = std::min(kPieceSize, m_bufferCount - at);
        const uint8_t* piece = m_buffer.get() + at;
        const int stored =
            CompressBlock(*m_compressor, piece, int(n), packed, kCompressArea, kZlibLevel, kDictionarySize);
        // Kept compressed only when the stream is whole and smaller than the piece itself.
        const bool compressed = stored > 0 && size_t(stored) < n;
        const size_t length = compressed ? size_t(stored) : n;
        const uint16_t head = uint16_t((length - 1) | (compressed ? kCompressedFlag : 0));
        out.push_back(uint8_t(head));
        out.push_back(uint8_t(head >> 8));
        out.insert(out.end(), compressed ? packed : piece, (compressed ? packed : piece) + length);
    }
    m_bufferCount = 0;
    return AppendPayload(out.data(), out.size());
}

void CRSDataEx::Refill()
{
    const size_t unread = m_bufferCount - m_readPosition;
    std::memmove(m_buffer.get(), m_buffer.get() + m_readPosition, unread);
    m_bufferCount = unread;
    m_readPosition = 0;
    const size_t got = ReadPayloadAt(m_consumed, m_buffer.get() + m_bufferCount, kBufferSize - m_bufferCount);
    m_bufferCount += got;
    m_consumed += got;
}

void CRSDataEx::DecodeNextPiece()
{
    if (m_bufferCount - m_readPosition <= 2) Refill();
    if (m_bufferCount - m_readPosition < 2) throw CRSException(RS_ERROR_SHORT_READ);
    const uint8_t* at = m_buffer.get() + m_readPosition;
    const uint16_t head = bytes::ByteReader(at, m_bufferCount - m_readPosition).u16le(0);
    // Bits 12-14 are never set by a writer: such a head means the payload is damaged.
    if (head & 0x7000) throw CRSException(RS_ERROR_SHORT_READ);
    const size_t stored = size_t(head & 0x0FFF) + 1;
    if (m_bufferCount - m_readPosition < stored + 2) {
        Refill();
        at = m_buffer.get() + m_readPosition;
        if (m_bufferCount - m_readPosition < stored + 2) throw CRSException(RS_ERROR_SHORT_READ);
    }
    const uint8_t* bytes = at + 2;
    if (head & kCompressedFlag) {
        if (!m_decompressor) m_decompressor = CreateDecompressor(COMPRESSION_ZLIB);
        const int n = DecompressBlock(*m_decompressor, bytes, int(stored), m_decoded, int(kPieceSize));
        if (n < 0) throw CRSException(RS_ERROR_SHORT_READ);
        m_decodedCount = size_t(n);
    } else {
        std::memcpy(m_decoded, bytes, stored);
        m_decodedCount = stored;
    }
    m_decodedHandedOut = 0;
    m_readPosition += stored + 2;
}

bool CRSDataEx::Read(void* buffer, unsigned length)
{
    if (m_mode != kModeRead) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    if (!SectionOpen()) throw CRSException(RS_ERROR_NO_SECTION);
    auto* p = static_cast<uint8_t*>(buffer);
    while (length > 0) {
        if (m_decodedHandedOut == m_decodedCount) DecodeNextPiece();
        const size_t n = std::min<size_t>(length, m_decodedCount - m_decodedHandedOut);
        std::memcpy(p, m_decoded + m_decodedHandedOut, n);
        m_decodedHandedOut += n;
        p += n;
        length -= unsigned(n);
    }
    return true;
}
