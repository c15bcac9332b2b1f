// The resident NTFS list's extra offset and the mapping-pair parse of the non-resident one.
#include "filesystems/tree/DataRunLists.h"

#include "filesystems/tree/MappingPairs.h"
#include "core/rsdata/IRSData.h"

#include <vector>

bool CResidentNTFSDataRunList::Write(IRSData* stream) const
{
    IDataRunList::Write(stream);
    RSWriteValue<int32_t>(stream, m_residentOffset);
    return true;
}

bool CResidentNTFSDataRunList::Read(IRSData* stream)
{
    IDataRunList::Read(stream);
    m_residentOffset = RSReadValue<int32_t>(stream);
    return true;
}

void CResidentNTFSDataRunList::SetResident(uint64_t recordSector, int offset)
{
    m_runs.clear();
    m_cursor = 0;
    m_runs.push_back({int64_t(recordSector), 1});
    m_residentOffset = offset;
}

bool CNoneResidentNTFSDataRunList::ParseMappingPairs(const uint8_t* bytes, size_t count)
{
    std::vector<DataRun> runs;
    const bool ok = DecodeMappingPairs(bytes, count, runs);
    for (const DataRun& r : runs) m_runs.push_back(r);
    return ok;
}
