// In-memory recovery-state stream for tests.
#include "tests/support/MemoryRSData.h"

#include <algorithm>
#include <cstring>

namespace testsupport {

MemoryRSData MemoryRSData::Writer()
{
    MemoryRSData stream;
    stream.BeginSection(kTestSectionGuid);
    return stream;
}

MemoryRSData MemoryRSData::Reader(std::vector<uint8_t> bytes)
{
    MemoryRSData stream;
    stream.m_sections.push_back({kTestSectionGuid, std::move(bytes)});
    stream.m_reading = true;
    stream.m_open = 0;
    return stream;
}

void MemoryRSData::StartReading()
{
    m_reading = true;
    m_open = -1;
    m_position = 0;
}

std::vector<uint8_t> MemoryRSData::SectionBytes(const RSGuid& guid) const
{
    for (const Section& s : m_sections)
        if (s.guid == guid) return s.bytes;
    return {};
}

size_t MemoryRSData::Remaining() const
{
    return m_open < 0 ? 0 : m_sections[size_t(m_open)].bytes.size() - m_position;
}

bool MemoryRSData::WriteHeader(const RSHeader* header)
{
    if (m_reading || !header) return false;
    m_header = *header;
    return true;
}

bool MemoryRSData::ReadHeader(RSHeader* out)
{
    if (!out) return false;
    *out = m_header;
    return true;
}

bool MemoryRSData::SetKind(int kind)
{
    m_header.kind = kind;
    return true;
}

bool MemoryRSData::WriteTitle(const char* title)
{
    const size_t n = title ? std::min<size_t>(std::strlen(title), RSHeader::kMaxTitle) : 0;
    std::memset(m_header.title, 0, sizeof m_header.title);
    if (n) std::memcpy(m_header.title, title, n);
    m_header.titleLength = int32_t(n);
    return true;
}

bool MemoryRSData::ReadTitle(char* buffer, int size)
{
    if (!buffer || size <= 0) return false;
    const size_t n = std::min<size_t>(size_t(size - 1), size_t(std::max(0, m_header.titleLength)));
    std::memcpy(buffer, m_header.title, n);
    buffer[n] = 0;
    return true;
}

bool MemoryRSData::BeginSection(const RSGuid& guid)
{
    m_position = 0;
    if (!m_reading) {
        m_sections.push_back({guid, {}});
        m_open = int(m_sections.size() - 1);
        return true;
    }
    for (size_t i = 0; i < m_sections.size(); ++i) {
        if (m_sections[i].guid == guid) {
            m_open = int(i);
            return true;
        }
    }
    m_open = -1;
    throw CRSException(RS_ERROR_SECTION_NOT_FOUND);
}

bool MemoryRSData::EndSection()
{
    if (m_open < 0) throw CRSException(RS_ERROR_NO_SECTION);
    m_open = -1;
    m_position = 0;
    return true;
}

unsigned int MemoryRSData::GetSectionLength()
{
    if (m_open < 0) throw CRSException(RS_ERROR_NO_SECTION);
    return unsigned(m_sections[size_t(m_open)].bytes.size());
}

bool MemoryRSData::Read(void* buffer, unsigned length)
{
    if (!m_reading) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    if (m_open < 0) throw CRSException(RS_ERROR_NO_SECTION);
    const std::vector<uint8_t>& bytes = m_sections[size_t(m_open)].bytes;
    if (length > bytes.size() - m_position) throw CRSException(RS_ERROR_SHORT_READ);
    if (length) std::memcpy(buffer, bytes.data() + m_position, length);
    m_position += length;
    return true;
}

bool MemoryRSData::Write(const void* data, unsigned length)
{
    if (m_reading) throw CRSException(RS_ERROR_WRONG_DIRECTION);
    if (m_open < 0) throw CRSException(RS_ERROR_NO_SECTION);
    const auto* p = static_cast<const uint8_t*>(data);
    m_sections[size_t(m_open)].bytes.insert(m_sections[size_t(m_open)].bytes.end(), p, p + length);
    return true;
}

std::string HexOf(const std::vector<uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 15]);
    }
    return out;
}

} // namespace testsupport
