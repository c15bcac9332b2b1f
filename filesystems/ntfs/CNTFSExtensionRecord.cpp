// Lazy loading of an extension FILE record.
#include "filesystems/ntfs/CNTFSExtensionRecord.h"

#include "filesystems/ntfs/NtfsFileRecord.h"

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
    if (!ReadFileRecordAt(m_device, static_cast<uint64_t>(m_sector), m_buffer)) return;
    if (!ValidateFileRecord(m_buffer)) return;
    ApplyFixups(m_buffer); // a valid record whose fix-ups do not check is used as it stands
    m_valid = true;
}
