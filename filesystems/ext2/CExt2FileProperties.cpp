// ext2 file properties: pending names of a folder, runs, and the recovery-state form.
#include "filesystems/ext2/CExt2FileProperties.h"

#include "core/rsdata/IRSData.h"
#include "filesystems/tree/FoundFileFields.h"

void CExt2FileProperties::AddPendingName(uint32_t inode, const std::string& name)
{
    if (!m_pendingNames) m_pendingNames = std::make_unique<std::map<uint32_t, std::string>>();
    (*m_pendingNames)[inode] = name;
}

std::string CExt2FileProperties::TakePendingName(uint32_t inode)
{
    if (!m_pendingNames) return {};
    auto found = m_pendingNames->find(inode);
    if (found == m_pendingNames->end()) return {};
    std::string name = std::move(found->second);
    m_pendingNames->erase(found);
    if (m_pendingNames->empty()) m_pendingNames.reset();
    return name;
}

int CExt2FileProperties::Write(IRSData* stream) const
{
    const uint16_t nameLength = uint16_t(std::min<size_t>(m_name.size(), kMaxStoredName));
    RSWriteValue<uint16_t>(stream, nameLength);
    WriteCountedText(stream, m_name, nameLength);
    Fields().Write(stream);
    WriteRuns(stream);
    return 1;
}

int CExt2FileProperties::Read(IRSData* stream)
{
    const uint16_t nameLength = RSReadValue<uint16_t>(stream);
    if (nameLength > kMaxStoredName) throw CRSException(RS_ERROR_BAD_LENGTH);
    std::string name = ReadCountedText(stream, nameLength);
    const FoundFileFields fields = FoundFileFields::Read(stream);
    std::unique_ptr<PackedDataRun> runs = ReadRuns(stream);

    m_name = std::move(name);
    TakeStored(fields, std::move(runs));
    return 1;
}

CExt2FileProperties* NewExt2FileProperties()
{
    return new CExt2FileProperties();
}
