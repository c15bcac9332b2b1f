// The hit list of a signature scan and its recovery-state form.
#include "filesystems/tree/CRawFileList.h"

#include "core/rsdata/IRSData.h"

CRawFileList::CRawFileList() : m_iterator(&m_hits) {}

CRawFileList::~CRawFileList()
{
    for (CRawFileInfo* hit : m_hits) delete hit;
}

void CRawFileList::Add(CRawFileInfo* hit)
{
    if (!hit) return;
    m_hits.push_back(hit);
    m_bySector.emplace(hit->GetStartSector(), hit);
}

CRawFileInfo* CRawFileList::FindByStartSector(uint64_t sector) const
{
    auto it = m_bySector.find(sector);
    return it == m_bySector.end() ? nullptr : it->second;
}

void CRawFileList::Write(IRSData* stream) const
{
    RSWriteValue<uint64_t>(stream, uint64_t(m_hits.size()));
    for (const CRawFileInfo* hit : m_hits) {
        RSWriteValue<uint64_t>(stream, hit->GetStartSector());
        RSWriteValue<uint64_t>(stream, hit->GetSize());
        RSWriteValue<int32_t>(stream, hit->GetFileType());
        RSWriteValue<uint16_t>(stream, uint16_t(hit->GetAnalyserType()));
    }
}

void CRawFileList::Read(IRSData* stream)
{
    const uint64_t count = RSReadValue<uint64_t>(stream);
    if (count > kMaxStoredHits) throw CRSException(RS_ERROR_BAD_LENGTH);
    for (uint64_t i = 0; i < count; ++i) {
        auto hit = std::make_unique<CRawFileInfo>();
        hit->SetStartSector(RSReadValue<uint64_t>(stream));
        hit->SetSize(RSReadValue<uint64_t>(stream));
        hit->SetFileType(RSReadValue<int32_t>(stream));
        hit->SetAnalyserType(RSReadValue<uint16_t>(stream));
        Add(hit.release());
    }
}
