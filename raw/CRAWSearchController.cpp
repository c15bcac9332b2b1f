// Signature scanner over consecutive blocks, with the ring of the last blocks for measuring.
#include "raw/CRAWSearchController.h"

#include "core/CRecoverySettings.h"
#include "core/filetypes/RawTypeTable.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/tree/CRawFileList.h"
#include "raw/RawAnalyserList.h"
#include "raw/RawListHitMeasurer.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <set>

std::vector<int> RawScanTypeIds(const std::vector<int>& selected)
{
    std::vector<int> ids;
    std::set<int> seen;
    bool custom = false;
    for (int id : selected) {
        const bool isCustom = id < kRawTypeFirstFixed || id > kRawTypeLastFixed;
        if (isCustom ? custom : seen.count(id) != 0) continue;
        if (isCustom) custom = true;
        seen.insert(id);
        ids.push_back(id);
    }
    return ids;
}

CRAWSearchController::~CRAWSearchController() = default;

void CRAWSearchController::SetRawFileList(CRawFileList* hits)
{
    m_hits = hits;
    if (hits && !hits->GetMeasurer()) hits->SetMeasurer(std::make_unique<RawListHitMeasurer>());
}

void CRAWSearchController::BeginSearch()
{
    const std::vector<int> ids = RawScanTypeIds(GetRecoverySettings()->m_rawTypeIds);
    RawAnalyserList& list = GetRawAnalyserList();
    list.ResetFromTypeIds(&ids);
    m_matcher.Rebuild(list);
    m_waiting.clear();
    m_heldUntil.clear();
    m_active = false;
    if (m_device == nullptr || m_blockSectors <= 0) return;
    const int32_t sectorSize = m_device->GetSectorSize();
    if (sectorSize <= 0) return;
    if (!m_ring.Attach(m_device, 0, sectorSize, uint32_t(m_blockSectors), m_ringChunks)) return;
    m_active = true;
}

void CRAWSearchController::EndSearch()
{
    // The hits of containers still waiting are measured from the ring, which holds the scan's last blocks, so
    // that the hits inside them leave the list; the others stay at size 0 for the RAW result tree.
    if (m_active && m_hits != nullptr) {
        std::deque<CRawFileInfo*> waiting;
        waiting.swap(m_waiting);
        for (CRawFileInfo* hit : waiting)
            if (hit->GetAnalyser() != nullptr && hit->GetAnalyser()->HoldsNestedHits()) MeasureWaitingHit(hit);
    }
    m_heldUntil.clear();
    m_waiting.clear();
    m_ring.Close();
    m_active = false;
}

void CRAWSearchController::MeasureWaitingHit(CRawFileInfo* hit)
{
    IRawFileAnalyser* analyser = hit->GetAnalyser();
    if (analyser == nullptr) return;
    const bool container = analyser->HoldsNestedHits();
    if (container) {
        const auto held = m_heldUntil.find(analyser->GetType());
        if (held != m_heldUntil.end() && hit->GetStartSector() < held->second) {
            // Part of the container measured before it (a member header, a stored archive): not a file.
            m_hits->Remove(hit);
            return;
        }
    }
    try {
        analyser->Analyse(hit, &m_ring);
    } catch (...) {
    }
    CapRawHitSize(hit, m_device);
    if (container && hit->GetSize() != 0) {
        const uint64_t sectorSize = uint64_t(m_device->GetSectorSize());
        const uint64_t end = hit->GetStartSector() + (hit->GetSize() + sectorSize - 1) / sectorSize;
        uint64_t& held = m_heldUntil[analyser->GetType()];
        held = std::max(held, end);
    }
}

void CRAWSearchController::MeasureLeavingHits()
{
    // The oldest block is about to leave the ring: measure the hits that start in it while its bytes and the
    // blocks after it are still held.
    const uint64_t leavingEnd = m_ring.GetWindowStart() + uint64_t(m_blockSectors);
    while (!m_waiting.empty() && m_waiting.front()->GetStartSector() < leavingEnd) {
        CRawFileInfo* hit = m_waiting.front();
        m_waiting.pop_front();
        MeasureWaitingHit(hit);
    }
}

uint8_t* CRAWSearchController::TakeSlot(uint64_t firstSector)
{
    MeasureBeforeBlock(firstSector);
    return m_ring.TakeChunkSlot(firstSector);
}

void CRAWSearchController::MeasureBeforeBlock(uint64_t firstSector)
{
    // A block that does not follow the ring's sectors starts the ring again; the hits waiting from before it
    // are measured first, from the ring while it still holds them. Otherwise the hits that start in the oldest
    // block are measured before the new block takes its place.
    const bool gap = m_ring.GetFilledCount() != 0 && firstSector != m_ring.GetWindowStart() + m_ring.GetFilledCount();
    if (gap) {
        while (!m_waiting.empty() && m_waiting.front()->GetStartSector() < firstSector) {
            CRawFileInfo* hit = m_waiting.front();
            m_waiting.pop_front();
            MeasureWaitingHit(hit);
        }
    } else if (m_ring.IsFull()) {
        MeasureLeavingHits();
    }
}

int CRAWSearchController::AnalyzeBlock(uint64_t firstSector, uint64_t sectorCount,
                                       CIntelligentSearchStatistics* statistics)
{
    if (!m_active || m_hits == nullptr || GetRawAnalyserList().Empty()) return 1;
    if (sectorCount == 0 || sectorCount > uint64_t(m_blockSectors)) return 1;
    const size_t sectorSize = size_t(m_device->GetSectorSize());
    // The block is read straight into its place in the ring.
    uint8_t* slot = TakeSlot(firstSector);
    if (!m_device->ReadSectors(slot, firstSector, sectorCount)) return 1;
    // A short last block: the rest of the slot must not hold an older block's bytes.
    std::memset(slot + sectorCount * sectorSize, 0, size_t(uint64_t(m_blockSectors) - sectorCount) * sectorSize);
    MatchBlock(firstSector, sectorCount, slot, statistics);
    m_ring.CommitChunkSlot();
    return 1;
}

int CRAWSearchController::AnalyzeBlockBytes(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                                            CIntelligentSearchStatistics* statistics)
{
    if (!m_active || m_hits == nullptr || GetRawAnalyserList().Empty()) return 1;
    if (sectorCount == 0 || sectorCount > uint64_t(m_blockSectors)) return 1;
    const size_t sectorSize = size_t(m_device->GetSectorSize());
    if (bytes.size() / sectorSize < sectorCount) return AnalyzeBlock(firstSector, sectorCount, statistics);
    uint8_t* slot = TakeSlot(firstSector);
    const size_t length = size_t(sectorCount) * sectorSize;
    std::memcpy(slot, bytes.data(), length);
    std::memset(slot + length, 0, size_t(m_blockSectors) * sectorSize - length);
    MatchBlock(firstSector, sectorCount, bytes.data(), statistics);
    m_ring.CommitChunkSlot();
    return 1;
}

int CRAWSearchController::AnalyzeSharedBlock(uint64_t firstSector, uint64_t sectorCount, std::span<const uint8_t> bytes,
                                             const std::shared_ptr<const uint8_t>& share,
                                             CIntelligentSearchStatistics* statistics)
{
    // Only a whole block can stand in for a ring slot; a short one is copied and padded with zeros.
    if (!m_active || m_hits == nullptr || GetRawAnalyserList().Empty()) return 1;
    const size_t sectorSize = size_t(m_device->GetSectorSize());
    if (!share || sectorCount != uint64_t(m_blockSectors) || bytes.size() != size_t(sectorCount) * sectorSize ||
        bytes.data() != share.get())
        return AnalyzeBlockBytes(firstSector, sectorCount, bytes, statistics);
    MeasureBeforeBlock(firstSector);
    MatchBlock(firstSector, sectorCount, bytes.data(), statistics);
    m_ring.PushSharedChunkAt(firstSector, share);
    return 1;
}

void CRAWSearchController::MatchBlock(uint64_t firstSector, uint64_t sectorCount, const uint8_t* bytes,
                                      CIntelligentSearchStatistics* statistics)
{
    const size_t sectorSize = size_t(m_device->GetSectorSize());
    std::unique_ptr<CRawFileInfo> spare;
    // Sectors are asked for some way ahead: one a time, from memory, would wait for each.
    constexpr uint64_t kAhead = 16;
    for (uint64_t i = 0; i < sectorCount; ++i) {
        const uint8_t* sector = bytes + i * sectorSize;
        if (i + kAhead < sectorCount) m_matcher.Prefetch(sector + kAhead * sectorSize);
        if (!spare) spare = std::make_unique<CRawFileInfo>();
        IRawFileAnalyser* analyser = m_matcher.Match(sector, spare.get());
        if (analyser == nullptr) {
            spare->SetSize(0);
            continue;
        }
        CRawFileInfo* hit = spare.release();
        hit->SetStartSector(firstSector + i);
        hit->SetAnalyser(analyser);
        hit->SetAnalyserType(analyser->GetType());
        CapRawHitSize(hit, m_device);
        m_hits->Add(hit);
        if (statistics) {
            ++statistics->FilesIdentified;
            ++statistics->TotalFilesFound;
        }
        if (hit->GetSize() == 0 && analyser->GetType() != -1) m_waiting.push_back(hit);
    }
}
