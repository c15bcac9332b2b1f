// NTFS file properties and their recovery-state form.
#include "filesystems/ntfs/CNTFSFileProperties.h"

#include "core/rsdata/CRSException.h"
#include "core/rsdata/IRSData.h"
#include "filesystems/tree/FoundFileFields.h"

#include <cstring>

void CNTFSFileProperties::SetName(const char* name)
{
    if (!name) return;
    std::string text(name);
    // The stored length is 16 bits and counts the terminator.
    if (text.size() > 0xFFFE) text.resize(0xFFFE);
    m_name = std::move(text);
    m_nameLength = uint16_t(m_name.size() + 1);
}

void CNTFSFileProperties::SetBuiltName(std::string name)
{
    if (name.size() > 0xFFFF) name.resize(0xFFFF);
    m_name = std::move(name);
    m_nameLength = uint16_t(m_name.size());
}

void CNTFSFileProperties::SetTimes(FILETIME creation, FILETIME modification, FILETIME access)
{
    m_creationTime = creation;
    m_modificationTime = modification;
    m_accessTime = access;
}

IDataRunList* CNTFSFileProperties::GetDataRunList() const
{
    return m_runs ? m_runs->Unpack().release() : nullptr;
}

int CNTFSFileProperties::SetUserFlag(int flag)
{
    const int previous = m_userFlag;
    m_userFlag = uint8_t(flag);
    return previous;
}

int CNTFSFileProperties::Write(IRSData* stream) const
{
    RSWriteValue<uint16_t>(stream, m_nameLength);
    if (m_nameLength > 0) {
        std::string bytes = m_name;
        bytes.resize(m_nameLength, '\0');
        stream->Write(bytes.data(), m_nameLength);
    }
    Fields().Write(stream);
    RSWriteValue<uint64_t>(stream, m_recordSector);
    RSWriteValue<uint32_t>(stream, m_runs ? 1 : 0);
    if (m_runs) m_runs->Write(stream);
    RSWriteValue<uint64_t>(stream, m_extensions.size());
    for (const CNTFSExtensionEntry& e : m_extensions) {
        RSWriteValue<int64_t>(stream, e.sector);
        RSWriteValue<uint64_t>(stream, e.reference);
    }
    return 1;
}

int CNTFSFileProperties::Read(IRSData* stream)
{
    const uint16_t nameLength = RSReadValue<uint16_t>(stream);
    std::string name = ReadCountedText(stream, nameLength);
    const FoundFileFields fields = FoundFileFields::Read(stream);
    const uint64_t recordSector = RSReadValue<uint64_t>(stream);
    std::unique_ptr<PackedDataRun> runs;
    if (RSReadValue<uint32_t>(stream) != 0) runs = PackedDataRun::Read(stream);
    const uint64_t count = RSReadValue<uint64_t>(stream);
    if (count > kMaxStoredExtensions) throw CRSException(RS_ERROR_BAD_LENGTH);
    std::vector<CNTFSExtensionEntry> extensions;
    for (uint64_t i = 0; i < count; ++i) {
        CNTFSExtensionEntry e;
        e.sector = RSReadValue<int64_t>(stream);
        e.reference = RSReadValue<uint64_t>(stream);
        extensions.push_back(e);
    }

    m_name = std::move(name);
    m_nameLength = nameLength;
    SetFields(fields);
    m_recordSector = recordSector;
    m_runs = std::move(runs);
    m_extensions = std::move(extensions);
    m_checkState = 0;
    m_userFlag = 0;
    return 1;
}

CNTFSFileProperties* NewNTFSFileProperties()
{
    return new CNTFSFileProperties();
}
