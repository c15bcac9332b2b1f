// VCN/LCN mapping and stream form of NTFS attribute run lists.
#include "filesystems/ntfs/CNTFSRunList.h"

#include "core/rsdata/IRSData.h"

#include <algorithm>

int64_t CNTFSRunList::VcnToLcn(uint64_t vcn) const
{
    for (const CNTFSRun& r : m_runs) {
        if (vcn >= r.vcn && vcn - r.vcn < r.length) {
            if (r.IsSparse()) return -1;
            return static_cast<int64_t>(static_cast<uint64_t>(r.lcn) + (vcn - r.vcn));
        }
    }
    return -1;
}

bool CNTFSRunList::IsLcnInRunList(int64_t lcn) const
{
    return LcnToVcn(lcn) >= 0;
}

int64_t CNTFSRunList::LcnToVcn(int64_t lcn) const
{
    if (lcn < 0) return -1;
    for (const CNTFSRun& r : m_runs) {
        if (r.IsSparse() || lcn < r.lcn) continue;
        const uint64_t delta = static_cast<uint64_t>(lcn) - static_cast<uint64_t>(r.lcn);
        if (delta < r.length) return static_cast<int64_t>(r.vcn + delta);
    }
    return -1;
}

uint64_t CNTFSRunList::GetRunListLength() const
{
    uint64_t total = 0;
    for (const CNTFSRun& r : m_runs) total += r.length;
    return total;
}

void CNTFSRunList::CopyRunList(CNTFSRunList& to) const
{
    to.m_runs.insert(to.m_runs.end(), m_runs.begin(), m_runs.end());
}

void CNTFSRunList::SortByVcn()
{
    std::stable_sort(m_runs.begin(), m_runs.end(), [](const CNTFSRun& a, const CNTFSRun& b) { return a.vcn < b.vcn; });
}

void CNTFSRunList::SaveRunList(IRSData* stream) const
{
    RSWriteValue<uint64_t>(stream, m_runs.size());
    for (const CNTFSRun& r : m_runs) {
        RSWriteValue<int64_t>(stream, r.lcn);
        RSWriteValue<uint64_t>(stream, r.length);
        RSWriteValue<uint64_t>(stream, r.vcn);
    }
}

void CNTFSRunList::LoadRunList(IRSData* stream)
{
    // No reservation from the stored count: a damaged count ends in the stream's short-read error instead.
    const uint64_t count = RSReadValue<uint64_t>(stream);
    for (uint64_t i = 0; i < count; ++i) {
        CNTFSRun r;
        r.lcn = RSReadValue<int64_t>(stream);
        r.length = RSReadValue<uint64_t>(stream);
        r.vcn = RSReadValue<uint64_t>(stream);
        m_runs.push_back(r);
    }
}
