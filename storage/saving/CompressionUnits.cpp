// Compression-unit cutting of NTFS-compressed runs.
#include "storage/saving/CompressionUnits.h"

#include "filesystems/tree/IDataRunList.h"

#include <algorithm>
#include <cstdint>

CCompressionUnitCutter::CCompressionUnitCutter(IDataRunList* runs, uint64_t unitClusters)
    : m_runs(runs), m_unitClusters(unitClusters ? unitClusters : kDefaultUnitClusters)
{
}

bool CCompressionUnitCutter::Next(CompressionUnit& unit)
{
    unit.pieces.clear();
    unit.clusters = 0;
    unit.kind = kUnitStored;
    if (!m_runs) return false;

    while (unit.clusters < m_unitClusters) {
        if (m_remaining == 0) {
            if (m_ended) break;
            const DataRun* run = m_started ? m_runs->Next() : m_runs->First();
            m_started = true;
            if (!run) {
                m_ended = true;
                break;
            }
            m_first = run->firstCluster < 0 ? -1 : run->firstCluster;
            m_remaining = run->length;
            continue;
        }
        const uint64_t take = std::min(m_remaining, m_unitClusters - unit.clusters);
        unit.pieces.push_back({m_first, take});
        unit.clusters += take;
        m_remaining -= take;
        if (m_first >= 0) // saturates: a cluster that large lies past any device and reads as unreadable
            m_first = uint64_t(INT64_MAX - m_first) < take ? INT64_MAX : m_first + int64_t(take);
    }
    if (unit.pieces.empty()) return false;

    if (!unit.pieces.back().IsSparse()) {
        unit.kind = kUnitStored;
    } else {
        const bool anyData =
            std::any_of(unit.pieces.begin(), unit.pieces.end(), [](const CompressionPiece& p) { return !p.IsSparse(); });
        unit.kind = anyData ? kUnitCompressed : kUnitEmpty;
    }
    return true;
}
