// Lazy loading of an extension FILE record.
#include "filesystems/ntfs/CNTFSExtensionRecord.h"

#include "filesystems/ntfs/NtfsByteReader.h"
#include "filesystems/ntfs/NtfsDeviceRead.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsStructures.h"

std::span<const uint8_t> CNTFSExtensionRecord::GetRecord()
{
    if (!m_loaded) Load();
    if (!m_valid) return {};
    return m_buffer;
}

void CNTFSExtensionRecord::Load()
{
    m_loaded = true;
    if (m_sector < 0) return;
    const uint64_t sector = static_cast<uint64_t>(m_sector);
    if (!NtfsReadBytesAt(m_device, sector, GetFileRecordSize(m_device), m_buffer)) return;
    // A record larger than the first guess (4096-byte records on 512-byte sectors) is read again whole.
    if (IsFileRecordHeader(m_buffer)) {
        const uint32_t allocated = NtfsByteReader(m_buffer).u32(0x1C);
        if (allocated > m_buffer.size() && !NtfsReadBytesAt(m_device, sector, allocated, m_buffer)) return;
    }
    if (!ValidateFileRecord(m_buffer)) return;
    ApplyFixups(m_buffer); // a valid record whose fix-ups do not check is used as it stands
    m_valid = true;
}
