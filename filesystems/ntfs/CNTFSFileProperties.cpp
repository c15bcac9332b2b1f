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

int CNTFSFileProperties::Write(IRSData* stream) const
{
    RSWriteValue<uint16_t>(stream, m_nameLength);
    WriteCountedText(stream, m_name, m_nameLength);
    Fields().Write(stream);
    RSWriteValue<uint64_t>(stream, m_recordSector);
    WriteRuns(stream);
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
    std::unique_ptr<PackedDataRun> runs = ReadRuns(stream);
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
    m_recordSector = recordSector;
    m_extensions = std::move(extensions);
    TakeStored(fields, std::move(runs));
    return 1;
}

CNTFSFileProperties* NewNTFSFileProperties()
{
    return new CNTFSFileProperties();
}
