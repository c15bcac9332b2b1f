// FILE record view: validation, fix-ups for its lifetime, header accessors.
#include "filesystems/ntfs/CNTFSFileRecord.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsStructures.h"

CNTFSFileRecord::CNTFSFileRecord(std::span<uint8_t> buffer, bool copy)
{
    if (copy) {
        if (!ValidateFileRecord(buffer)) return;
        m_copy.assign(buffer.begin(), buffer.end());
        Attach(m_copy);
        return;
    }
    // ValidateFileRecord and Attach in one: the fix-ups are applied once and stay applied when the record
    // passes (undone when it fails, as they would have been).
    if (buffer.size() < ntfs::kMinFileRecord || !IsFileRecordHeader(buffer)) return;
    const bool applied = ApplyFixups(buffer);
    if (!ValidateAttributes(buffer)) {
        if (applied) RestoreFixups(buffer);
        return;
    }
    m_record = buffer;
    m_fixedUp = applied;
}

CNTFSFileRecord::CNTFSFileRecord(std::span<const uint8_t> buffer)
{
    m_copy.assign(buffer.begin(), buffer.end());
    if (!ValidateFileRecord(m_copy)) {
        m_copy.clear();
        return;
    }
    Attach(m_copy);
}

void CNTFSFileRecord::Attach(std::span<uint8_t> bytes)
{
    m_record = bytes;
    m_fixedUp = ApplyFixups(m_record);
}

CNTFSFileRecord::~CNTFSFileRecord()
{
    if (m_fixedUp) RestoreFixups(m_record);
}

const AttributeIndex& CNTFSFileRecord::GetAttributeIndex() const
{
    if (!m_indexed) {
        IndexAttributes(m_record, m_index);
        m_indexed = true;
    }
    return m_index;
}

CNTFSAttributeHeader CNTFSFileRecord::FindAttribute(uint32_t type, int n) const
{
    return IsValid() ? ::FindAttribute(m_record, GetAttributeIndex(), type, n) : CNTFSAttributeHeader();
}

int CNTFSFileRecord::CountAttributes(uint32_t type) const
{
    return IsValid() ? ::CountAttributes(m_record, GetAttributeIndex(), type) : 0;
}

uint16_t CNTFSFileRecord::GetFlags() const
{
    return bytes::ByteReader(m_record).u16le(0x16);
}
bool CNTFSFileRecord::IsInUse() const
{
    return (GetFlags() & ntfs::kRecordInUse) != 0;
}
bool CNTFSFileRecord::IsDirectory() const
{
    return (GetFlags() & ntfs::kRecordDirectory) != 0;
}
uint64_t CNTFSFileRecord::GetBaseReference() const
{
    return bytes::ByteReader(m_record).u64le(0x20) & ntfs::kRecordNumberMask;
}
bool CNTFSFileRecord::IsExtension() const
{
    return bytes::ByteReader(m_record).u64le(0x20) != 0;
}

bool CNTFSFileRecord::HasRecordNumber() const
{
    bytes::ByteReader r(m_record);
    return IsValid() && r.u16le(4) >= 48 && r.u16le(0x2A) == 0;
}

uint32_t CNTFSFileRecord::GetRecordNumber() const
{
    return bytes::ByteReader(m_record).u32le(0x2C);
}
uint64_t CNTFSFileRecord::GetLogSequenceNumber() const
{
    return bytes::ByteReader(m_record).u64le(0x08);
}
uint32_t CNTFSFileRecord::GetUsedSize() const
{
    return bytes::ByteReader(m_record).u32le(0x18);
}
uint32_t CNTFSFileRecord::GetAllocatedSize() const
{
    return bytes::ByteReader(m_record).u32le(0x1C);
}
