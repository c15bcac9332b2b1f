// The hit list of a signature scan and its recovery-state form.
#include "filesystems/tree/CRawFileList.h"

#include "core/rsdata/IRSData.h"

#include <algorithm>
#include <iterator>

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

bool CRawFileList::Remove(CRawFileInfo* hit)
{
    // Hits are removed soon after they were added: the search runs from the back.
    const auto found = std::find(m_hits.rbegin(), m_hits.rend(), hit);
    if (hit == nullptr || found == m_hits.rend()) return false;
    m_hits.erase(std::next(found).base());
    const auto bySector = m_bySector.find(hit->GetStartSector());
    if (bySector != m_bySector.end() && bySector->second == hit) m_bySector.erase(bySector);
    delete hit;
    return true;
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
