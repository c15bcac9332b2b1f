// The recovery-state stream over a file with the payload kept as written.
#include "core/rsdata/CRSData.h"

#include <algorithm>
#include <cstring>

#include "core/Crc.h"
#include "core/bytes/ByteReader.h"
#include "core/bytes/ByteWriter.h"
#include "platform/Log.h"

namespace {

// The stored form of a header with its check value: CRC-16 over the 132 bytes with the field zeroed.
uint16_t HeaderCrc(const uint8_t bytes[RSHeader::kSize])
{
    uint8_t copy[RSHeader::kSize];
    std::memcpy(copy, bytes, RSHeader::kSize);
    std::memset(copy + 20, 0, 4);
    return Crc16(copy, RSHeader::kSize, CRSData::kHeaderCrcPolynomial);
}

} // namespace

CRSData::CRSData(int mode) : m_mode(mode == kModeWrite ? kModeWrite : kModeRead), m_buffer(new uint8_t[kBufferSize]) {}

CRSData::~CRSData()
{
    Close();
}

void CRSData::ResetAll()
{
    m_bufferCount = 0;
    m_sectionGuid = RSGuid{};
    m_sectionLength = 0;
    m_sectionOffset = -1;
    m_consumed = 0;
    m_pendingError = 0;
    ResetSectionState();
}

void CRSData::ThrowPending()
{
    if (m_pendingError != 0) {
        const int code = m_pendingError;
        m_pendingError = 0;
        throw CRSException(code);
    }
}

bool CRSData::Open(const char* path, bool create)
{
    m_file.Close();
    ResetAll();
    if (!path || !*path) return false;
    if (m_mode == kModeRead) {
        if (!m_file.Open(path, CFileHandle::kRead)) return false;
        RSHeader header;
        if (!ReadHeader(&header)) {
            ReleaseTrace("Recovery state %s: header missing or damaged", path);
            m_file.Close();
            return false;
        }
        return true;
    }
    return m_file.Open(path, create ? CFileHandle::kCreateAlways : CFileHandle::kOpenAlways);
}

bool CRSData::Close()
{
    if (SectionOpen() && m_mode == kModeWrite) {
        try {
            EndSection();
        } catch (const IRSException& e) {
            ReleaseTrace("RS Exception:%d", e.GetCode());
        }
    }
    ResetAll();
    m_file.Close();
    return true;
}

bool CRSData::ReadHeaderBytes(uint8_t out[RSHeader::kSize])
{
    return m_file.IsOpen() && m_file.Seek64(0) && m_file.Read(out, RSHeader::kSize) == RSHeader::kSize;
}

bool CRSData::IsValidFile()
{
    uint8_t bytes[RSHeader::kSize];
    if (!ReadHeaderBytes(bytes)) return false;
    const RSHeader h = RSHeader::Decode(bytes);
    return h.guid == kRSMarkerGuid && h.kind >= 1 && h.kind <= 4 && h.check == HeaderCrc(bytes);
}

bool CRSData::WriteHeader(const RSHeader* header)
{
    if (m_mode != kModeWrite || !header || !m_file.IsOpen()) return false;
    RSHeader h = *header;
    h.version = RSHeader::kVersion;
    h.check = 0;
    h.titleLength = std::clamp(h.titleLength, 0, RSHeader::kMaxTitle);
    std::memset(h.title + h.titleLength, 0, size_t(RSHeader::kMaxTitle - h.titleLength));
    uint8_t bytes[RSHeader::kSize];
    h.Encode(bytes);
    h.check = HeaderCrc(bytes);
    h.Encode(bytes);
    return m_file.Seek64(0) && m_file.Write(bytes, RSHeader::kSize);
}

bool CRSData::ReadHeader(RSHeader* out)
{
    uint8_t bytes[RSHeader::kSize];
    if (!ReadHeaderBytes(bytes)) return false;
    RSHeader h = RSHeader::Decode(bytes);
    const uint32_t stored = h.check;
    h.check = HeaderCrc(bytes);
    if (out) *out = h;
    return stored == h.check && h.version == RSHeader::kVersion;
}

int CRSData::GetKind()
{
    if (m_mode != kModeRead) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    RSHeader h;
    h.kind = 0;
    if (ReadHeader(&h) && (h.kind < 0 || h.kind > 4)) throw CRSException(RS_ERROR_BAD_LENGTH);
    return h.kind;
}

bool CRSData::SetKind(int kind)
{
    if (m_mode != kModeWrite) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    RSHeader h;
    if (!ReadHeader(&h)) h = RSHeader{};
    h.kind = kind;
    return WriteHeader(&h);
}

bool CRSData::WriteTitle(const char* title)
{
    if (m_mode != kModeWrite) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    RSHeader h;
    if (!title || !ReadHeader(&h)) return false;
    const size_t length = std::min(std::strlen(title), size_t(RSHeader::kMaxTitle));
    std::memset(h.title, 0, sizeof h.title);
    std::memcpy(h.title, title, length);
    h.titleLength = int32_t(length);
    return WriteHeader(&h);
}

bool CRSData::ReadTitle(char* buffer, int size)
{
    if (!buffer || size < 1) return false;
    if (m_mode != kModeRead) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    RSHeader h;
    if (!ReadHeader(&h)) return false;
    if (h.titleLength < 0 || h.titleLength > RSHeader::kMaxTitle) throw CRSException(RS_ERROR_BAD_LENGTH);
    const size_t n = std::min(size_t(h.titleLength), size_t(size - 1));
    std::memcpy(buffer, h.title, n);
    buffer[n] = 0;
    return true;
}

bool CRSData::WriteSectionHeader()
{
    uint8_t bytes[kSectionHeaderSize];
    EncodeRSGuid(kRSMarkerGuid, std::span<uint8_t>(bytes).first(16));
    EncodeRSGuid(m_sectionGuid, std::span<uint8_t>(bytes).subspan(16, 16));
    bytes::ByteWriter(bytes).u32le(32, m_sectionLength);
    return m_file.Seek64(uint64_t(m_sectionOffset)) && m_file.Write(bytes, kSectionHeaderSize);
}

bool CRSData::BeginSection(const RSGuid& guid)
{
    EndSection();
    if (m_mode == kModeWrite) {
        uint64_t size = 0;
        if (!m_file.IsOpen() || !m_file.GetSize(size)) throw CRSException(RS_ERROR_WRITE_FAILED);
        // Sections start after the header even when it has not been written yet.
        if (size < RSHeader::kSize) {
            const uint8_t zeros[RSHeader::kSize] = {};
            if (!m_file.Seek64(size) || !m_file.Write(zeros, uint32_t(RSHeader::kSize - size)))
                throw CRSException(RS_ERROR_WRITE_FAILED);
            size = RSHeader::kSize;
        }
        m_sectionGuid = guid;
        m_sectionLength = 0;
        m_sectionOffset = int64_t(size);
        if (!WriteSectionHeader()) {
            m_sectionOffset = -1;
            throw CRSException(RS_ERROR_WRITE_FAILED);
        }
        return true;
    }

    uint64_t offset = RSHeader::kSize;
    uint8_t bytes[kSectionHeaderSize];
    // Every step moves on by at least one section header, so the walk ends at the end of the file.
    while (m_file.IsOpen() && m_file.Seek64(offset) && m_file.Read(bytes, kSectionHeaderSize) == kSectionHeaderSize) {
        bytes::ByteReader r(bytes, kSectionHeaderSize);
        const uint32_t length = r.u32le(32);
        // A header whose marker is damaged is not the section asked for, but its length still says where
        // the next one starts: the walk skips it and reads on.
        if (DecodeRSGuid(r.span(0, 16)) == kRSMarkerGuid && DecodeRSGuid(r.span(16, 16)) == guid) {
            m_sectionGuid = guid;
            m_sectionLength = length;
            m_sectionOffset = int64_t(offset);
            m_consumed = 0;
            return true;
        }
        offset += kSectionHeaderSize + uint64_t(length);
    }
    m_sectionGuid = RSGuid{};
    m_sectionLength = 0;
    m_sectionOffset = -1;
    throw CRSException(RS_ERROR_SECTION_NOT_FOUND);
}

bool CRSData::EndSection()
{
    if (SectionOpen() && m_mode == kModeWrite) {
        Flush();
        if (!WriteSectionHeader()) Fail(RS_ERROR_WRITE_FAILED);
    }
    m_bufferCount = 0;
    m_sectionGuid = RSGuid{};
    m_sectionLength = 0;
    m_sectionOffset = -1;
    m_consumed = 0;
    ResetSectionState();
    ThrowPending();
    return true;
}

unsigned int CRSData::GetSectionLength()
{
    if (!SectionOpen()) throw CRSException(RS_ERROR_NO_SECTION);
    return m_sectionLength;
}

bool CRSData::AppendPayload(const void* data, size_t length)
{
    if (length > size_t(UINT32_MAX - m_sectionLength)) {
        Fail(RS_ERROR_WRITE_FAILED);
        return false;
    }
    const uint64_t at = uint64_t(m_sectionOffset) + kSectionHeaderSize + m_sectionLength;
    if (!m_file.Seek64(at) || !m_file.Write(data, uint32_t(length))) {
        Fail(RS_ERROR_WRITE_FAILED);
        return false;
    }
    m_sectionLength += uint32_t(length);
    return true;
}

size_t CRSData::ReadPayloadAt(uint64_t payloadOffset, void* buffer, size_t length)
{
    if (payloadOffset >= m_sectionLength) return 0;
    length = std::min<uint64_t>(length, m_sectionLength - payloadOffset);
    if (!m_file.Seek64(uint64_t(m_sectionOffset) + kSectionHeaderSize + payloadOffset)) return 0;
    return m_file.Read(buffer, uint32_t(length));
}

bool CRSData::Flush()
{
    if (m_bufferCount == 0) return false;
    const size_t n = m_bufferCount;
    m_bufferCount = 0;
    return AppendPayload(m_buffer.get(), n);
}

bool CRSData::Write(const void* data, unsigned length)
{
    if (m_mode != kModeWrite) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    if (!SectionOpen()) throw CRSException(RS_ERROR_NO_SECTION);
    if (m_bufferCount + length <= kBufferSize) {
        std::memcpy(m_buffer.get() + m_bufferCount, data, length);
        m_bufferCount += length;
    } else {
        Flush();
        if (m_pendingError == 0) AppendPayload(data, length);
    }
    ThrowPending();
    return true;
}

bool CRSData::Read(void* buffer, unsigned length)
{
    if (m_mode != kModeRead) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    if (!SectionOpen()) throw CRSException(RS_ERROR_NO_SECTION);
    if (length > m_sectionLength - m_consumed) throw CRSException(RS_ERROR_SHORT_READ);
    if (ReadPayloadAt(m_consumed, buffer, length) != length) throw CRSException(RS_ERROR_SHORT_READ);
    m_consumed += length;
    return true;
}
