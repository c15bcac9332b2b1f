// The found-file properties' shared fields, runs and stored pieces.
#include "filesystems/tree/CFoundFileProperties.h"

#include "core/rsdata/IRSData.h"

IDataRunList* CFoundFileProperties::GetDataRunList() const
{
    return m_runs ? m_runs->Unpack().release() : nullptr;
}

int CFoundFileProperties::SetUserFlag(int flag)
{
    const int previous = m_userFlag;
    m_userFlag = uint8_t(flag);
    return previous;
}

void CFoundFileProperties::SetTimes(FILETIME creation, FILETIME modification, FILETIME access)
{
    m_creationTime = creation;
    m_modificationTime = modification;
    m_accessTime = access;
}

void CFoundFileProperties::WriteRuns(IRSData* stream) const
{
    RSWriteValue<uint32_t>(stream, m_runs ? 1u : 0u);
    if (m_runs) m_runs->Write(stream);
}

std::unique_ptr<PackedDataRun> CFoundFileProperties::ReadRuns(IRSData* stream)
{
    if (RSReadValue<uint32_t>(stream) == 0) return nullptr;
    return PackedDataRun::Read(stream);
}

void CFoundFileProperties::TakeStored(const FoundFileFields& fields, std::unique_ptr<PackedDataRun> runs)
{
    m_size = fields.size;
    m_attributes = fields.attributes;
    m_creationTime = fields.creationTime;
    m_modificationTime = fields.modificationTime;
    m_accessTime = fields.accessTime;
    m_state = fields.state;
    m_runs = std::move(runs);
    m_checkState = 0;
    m_userFlag = 0;
}
