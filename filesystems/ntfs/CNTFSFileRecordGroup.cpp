// Attribute lookup across a base record and its extension records.
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"

#include "core/bytes/ByteReader.h"
#include "filesystems/ntfs/CNTFSFileRecord.h"
#include "filesystems/ntfs/NtfsFileRecord.h"

CNTFSFileRecordGroup::CNTFSFileRecordGroup(std::span<const uint8_t> buffer, uint64_t recordSector,
                                           IStorageDevice* device, const std::vector<CNTFSExtensionEntry>* extensions)
    : m_recordSector(recordSector)
{
    std::vector<uint8_t> copy(buffer.begin(), buffer.end());
    if (!ValidateFileRecord(copy)) return;
    ApplyFixups(copy);
    m_copy = std::move(copy);
    m_record = m_copy;
    IndexAttributes(m_record, m_index);
    AddExtensions(device, extensions);
}

CNTFSFileRecordGroup::CNTFSFileRecordGroup(const CNTFSFileRecord& view, uint64_t recordSector, IStorageDevice* device,
                                           const std::vector<CNTFSExtensionEntry>* extensions)
    : m_recordSector(recordSector)
{
    // The view validated these bytes and applied their fix-ups: what the constructor above would keep.
    if (!view.IsValid()) return;
    m_record = view.Record();
    m_index = view.GetAttributeIndex();
    AddExtensions(device, extensions);
}

void CNTFSFileRecordGroup::AddExtensions(IStorageDevice* device, const std::vector<CNTFSExtensionEntry>* extensions)
{
    if (extensions)
        for (const CNTFSExtensionEntry& e : *extensions)
            m_extensions.push_back(std::make_unique<CNTFSExtensionRecord>(device, e.sector, e.reference));
}

bool CNTFSFileRecordGroup::IsInUse() const
{
    return HasRecord() && (bytes::ByteReader(m_record).u16le(0x16) & ntfs::kRecordInUse) != 0;
}

CNTFSFileRecordGroup::Found CNTFSFileRecordGroup::FindAttribute(uint32_t type, int n)
{
    Found result;
    if (!HasRecord() || n < 0) return result;
    if (m_extensions.empty()) {
        // The base record alone: one walk finds the attribute or tells that there is none.
        result.attribute = ::FindAttribute(m_record, m_index, type, n);
        if (result.attribute) {
            result.offset = result.attribute.GetOffset();
            result.recordSector = m_recordSector;
        }
        return result;
    }
    const int inBase = ::CountAttributes(m_record, m_index, type);
    if (n < inBase) {
        result.attribute = ::FindAttribute(m_record, m_index, type, n);
        result.offset = result.attribute.GetOffset();
        result.recordSector = m_recordSector;
        return result;
    }
    n -= inBase;
    for (auto& ext : m_extensions) {
        const auto record = ext->GetRecord();
        if (record.empty()) continue;
        const int here = CountAttributes(record, type);
        if (n < here) {
            result.attribute = ::FindAttribute(record, type, n);
            result.offset = result.attribute.GetOffset();
            result.recordSector = static_cast<uint64_t>(ext->GetSector());
            return result;
        }
        n -= here;
    }
    return result;
}
