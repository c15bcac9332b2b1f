// Compression-unit cutting of NTFS-compressed runs.
#include "storage/saving/CompressionUnits.h"

#include "filesystems/tree/IDataRunList.h"

#include <algorithm>
#include <cstdint>

CCompressionUnitCutter::CCompressionUnitCutter(IDataRunList* runs, uint64_t unitClusters, int64_t clusterLimit)
    : m_runs(runs), m_unitClusters(unitClusters ? unitClusters : kDefaultUnitClusters), m_clusterLimit(clusterLimit)
{
}

bool CCompressionUnitCutter::Next(CompressionUnit& unit)
{
    unit.pieces.clear();
    unit.clusters = 0;
    unit.kind = kUnitStored;
    unit.outsideClusters = 0;
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
            m_outside = false;
            continue;
        }
        if (m_first >= m_clusterLimit) {
            m_first = -1;
            m_outside = true;
        }
        uint64_t take = std::min(m_remaining, m_unitClusters - unit.clusters);
        if (m_first < 0 && unit.clusters == 0 && m_remaining >= 2 * m_unitClusters)
            take = m_remaining - m_remaining % m_unitClusters; // several empty units in one
        else if (m_first >= 0 && uint64_t(m_clusterLimit - m_first) < take)
            take = uint64_t(m_clusterLimit - m_first); // the rest of the run lies past the device
        unit.pieces.push_back({m_first, take});
        unit.clusters += take;
        if (m_outside) unit.outsideClusters += take;
        m_remaining -= take;
        if (m_first >= 0) // saturates: a cluster that large lies past any device
            m_first = uint64_t(INT64_MAX - m_first) < take ? INT64_MAX : m_first + int64_t(take);
    }
    if (unit.pieces.empty()) return false;

    if (!unit.pieces.back().IsSparse()) {
        unit.kind = kUnitStored;
    } else {
        const bool anyData = std::any_of(unit.pieces.begin(), unit.pieces.end(),
                                         [](const CompressionPiece& p) { return !p.IsSparse(); });
        unit.kind = anyData ? kUnitCompressed : kUnitEmpty;
    }
    return true;
}
