// Run lists: the cursor walk, merging of appended runs and the recovery-state form.
#include "filesystems/tree/IDataRunList.h"

#include "core/rsdata/IRSData.h"

const DataRun* IDataRunList::First()
{
    m_cursor = 0;
    return m_runs.empty() ? nullptr : &m_runs[0];
}

const DataRun* IDataRunList::Next()
{
    if (m_cursor < m_runs.size()) ++m_cursor;
    return m_cursor < m_runs.size() ? &m_runs[m_cursor] : nullptr;
}

void IDataRunList::AddRun(const DataRun& run)
{
    if (!m_runs.empty()) {
        DataRun& last = m_runs.back();
        // A hole only ever merges with a hole: a hole followed by data at cluster 0 must stay two runs,
        // or the data would be saved as zeros.
        bool merge = false;
        if (last.IsSparse() && run.IsSparse()) {
            merge = true;
        } else if (!last.IsSparse() && !run.IsSparse() && last.firstCluster >= 0 && run.firstCluster >= 0) {
            const uint64_t end = uint64_t(last.firstCluster) + last.length;
            merge = end >= last.length && end == uint64_t(run.firstCluster);
        }
        if (merge && last.length + run.length >= last.length) {
            last.length += run.length;
            return;
        }
    }
    m_runs.push_back(run);
}

uint64_t IDataRunList::GetTotalClusters() const
{
    uint64_t total = 0;
    for (const DataRun& r : m_runs) total = total + r.length < total ? UINT64_MAX : total + r.length;
    return total;
}

bool IDataRunList::Write(IRSData* stream) const
{
    RSWriteValue<uint32_t>(stream, uint32_t(m_runs.size()));
    for (const DataRun& r : m_runs) {
        RSWriteValue<int64_t>(stream, r.firstCluster);
        RSWriteValue<uint64_t>(stream, r.length);
    }
    return true;
}

bool IDataRunList::Read(IRSData* stream)
{
    const uint32_t count = RSReadValue<uint32_t>(stream);
    if (count > kMaxStoredRuns) throw CRSException(RS_ERROR_BAD_LENGTH);
    for (uint32_t i = 0; i < count; ++i) {
        DataRun r;
        r.firstCluster = RSReadValue<int64_t>(stream);
        r.length = RSReadValue<uint64_t>(stream);
        m_runs.push_back(r);
    }
    return true;
}
