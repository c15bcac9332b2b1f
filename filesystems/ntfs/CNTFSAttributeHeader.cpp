// Bounded field reads of an NTFS attribute.
#include "filesystems/ntfs/CNTFSAttributeHeader.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ntfs/NtfsStructures.h"

uint16_t CNTFSAttributeHeader::U16(size_t off) const
{
    return bytes::ByteReader(m_bytes).u16le(off);
}
uint32_t CNTFSAttributeHeader::U32(size_t off) const
{
    return bytes::ByteReader(m_bytes).u32le(off);
}
uint64_t CNTFSAttributeHeader::U64(size_t off) const
{
    return bytes::ByteReader(m_bytes).u64le(off);
}

bool CNTFSAttributeHeader::IsCompressed() const
{
    return (GetFlags() & ntfs::kAttrFlagCompressed) != 0;
}
bool CNTFSAttributeHeader::IsEncrypted() const
{
    return (GetFlags() & ntfs::kAttrFlagEncrypted) != 0;
}

std::u16string CNTFSAttributeHeader::GetName() const
{
    bytes::ByteReader r(m_bytes);
    return NtfsUtf16FromBytes(r.span(GetNameOffset(), uint64_t(GetNameLength()) * 2));
}

std::span<const uint8_t> CNTFSAttributeHeader::GetValue() const
{
    if (IsNonResident() || m_bytes.size() < 0x18) return {};
    bytes::ByteReader r(m_bytes);
    return r.span(GetValueOffset(), GetValueLength());
}

std::span<const uint8_t> CNTFSAttributeHeader::GetMappingPairs() const
{
    if (!IsNonResident() || m_bytes.size() < 0x40) return {};
    const size_t off = GetMappingPairsOffset();
    if (off > m_bytes.size()) return {};
    return m_bytes.subspan(off);
}

bool CNTFSAttributeHeader::HasSITimes() const
{
    const uint32_t length16 = GetLength() & 0xFFFF;
    return length16 >= uint32_t(GetValueOffset()) + 40 && m_bytes.size() >= 60;
}

uint64_t CNTFSAttributeHeader::GetFNParentReference() const
{
    return U64(24) & ntfs::kRecordNumberMask;
}

uint8_t CNTFSAttributeHeader::GetFNNamespace() const
{
    const uint8_t ns = U8(89);
    return ns > 4 ? 4 : ns;
}

std::span<const uint8_t> CNTFSAttributeHeader::GetFNNameBytes() const
{
    bytes::ByteReader r(m_bytes);
    return r.span(kFNNameOffset, uint64_t(GetFNNameLength()) * 2);
}

std::u16string CNTFSAttributeHeader::GetFNName() const
{
    return NtfsUtf16FromBytes(GetFNNameBytes());
}

std::u16string NtfsUtf16FromBytes(std::span<const uint8_t> bytes)
{
    std::u16string s(bytes.size() / 2, u'\0');
    bytes::ByteReader r(bytes);
    for (size_t i = 0; i < s.size(); ++i) s[i] = char16_t(r.u16le(2 * i));
    return s;
}
