// A read-only view of one attribute inside a FILE record: one accessor per header field and per field of
// $STANDARD_INFORMATION and $FILE_NAME. Every accessor reads only inside the attribute's own bytes (its
// declared length, cut at the end of the record) and gives 0 or an empty value for a field that lies outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CNTFSAttributeHeader {
public:
    // No attribute.
    CNTFSAttributeHeader() = default;
    // bytes: the attribute from its first byte, at most its declared length; offset: where it starts in its record.
    CNTFSAttributeHeader(std::span<const uint8_t> bytes, size_t offsetInRecord)
        : m_bytes(bytes), m_offset(offsetInRecord), m_present(true)
    {
    }

    explicit operator bool() const { return m_present; }
    size_t GetOffset() const { return m_offset; }
    std::span<const uint8_t> Bytes() const { return m_bytes; }

    uint32_t GetType() const { return U32(0x00); }
    uint32_t GetLength() const { return U32(0x04); }
    bool IsNonResident() const { return U8(0x08) != 0; }
    uint8_t GetNameLength() const { return U8(0x09); }
    uint16_t GetNameOffset() const { return U16(0x0A); }
    uint16_t GetFlags() const { return U16(0x0C); }
    bool IsCompressed() const;
    bool IsEncrypted() const;
    bool IsNamed() const { return GetNameLength() != 0; }
    // The attribute's name; empty when unnamed or when it does not lie inside the attribute.
    std::u16string GetName() const;

    // Resident attributes.
    uint32_t GetValueLength() const { return U32(0x10); }
    uint16_t GetValueOffset() const { return U16(0x14); }
    // The value bytes; empty for a non-resident attribute or a value that does not lie inside the attribute.
    std::span<const uint8_t> GetValue() const;

    // Non-resident attributes.
    uint64_t GetStartVcn() const { return U64(0x10); }
    uint64_t GetLastVcn() const { return U64(0x18); }
    uint16_t GetMappingPairsOffset() const { return U16(0x20); }
    uint64_t GetAllocatedSize() const { return U64(0x28); }
    uint64_t GetDataSize() const { return U64(0x30); }
    uint64_t GetInitializedSize() const { return U64(0x38); }
    // The bytes from the mapping-pairs offset to the attribute's end; empty when resident or out of range.
    std::span<const uint8_t> GetMappingPairs() const;

    // $STANDARD_INFORMATION, read from offset 24 whatever the value offset says.
    // Its times and attributes count only when the length, as 16 bits, is at least value offset + 40.
    bool HasSITimes() const;
    uint64_t GetSICreationTime() const { return U64(24); }
    uint64_t GetSIModificationTime() const { return U64(32); }
    uint64_t GetSIAccessTime() const { return U64(48); }
    uint32_t GetSIFileAttributes() const { return U32(56); }

    // $FILE_NAME, read from offset 24 as well.
    uint64_t GetFNParentReference() const; // the 48-bit record number
    uint64_t GetFNCreationTime() const { return U64(32); }
    uint64_t GetFNModificationTime() const { return U64(40); }
    uint64_t GetFNAccessTime() const { return U64(56); }
    uint64_t GetFNRealSize() const { return U64(72); }
    uint32_t GetFNFlags() const { return U32(80); }
    uint8_t GetFNNameLength() const { return U8(88); }
    uint8_t GetFNNamespace() const; // values above 4 read as 4
    // The name; empty when it does not lie wholly inside the attribute.
    std::u16string GetFNName() const;
    // The name's bytes (2 per character), empty when they do not lie inside the attribute.
    std::span<const uint8_t> GetFNNameBytes() const;

    static constexpr size_t kFNNameOffset = 90;

private:
    uint8_t U8(size_t off) const { return off < m_bytes.size() ? m_bytes[off] : 0; }
    uint16_t U16(size_t off) const;
    uint32_t U32(size_t off) const;
    uint64_t U64(size_t off) const;

    std::span<const uint8_t> m_bytes;
    size_t m_offset = 0;
    bool m_present = false;
};

// Little-endian UTF-16 bytes as a string (an odd last byte is dropped).
std::u16string NtfsUtf16FromBytes(std::span<const uint8_t> bytes);
