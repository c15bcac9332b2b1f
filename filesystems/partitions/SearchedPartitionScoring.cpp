// Ranking, ordering and recommendation of found partitions.
#include "filesystems/partitions/SearchedPartitionScoring.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>

namespace {

uint64_t SaturatingMultiply(uint64_t a, uint64_t b)
{
    uint64_t out = 0;
    return __builtin_mul_overflow(a, b, &out) ? std::numeric_limits<uint64_t>::max() : out;
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b)
{
    uint64_t out = 0;
    return __builtin_add_overflow(a, b, &out) ? std::numeric_limits<uint64_t>::max() : out;
}

// The partition's bytes; a range that cannot be expressed reaches the end of the address space, so it is
// never inside the device.
SectorRange ByteRange(const CSearchedPartitionInfo& p)
{
    const uint64_t unit = p.nSectorSize ? p.nSectorSize : 512;
    const uint64_t start = SaturatingMultiply(p.u64StartSector, unit);
    uint64_t length = SaturatingMultiply(p.u64SectorsCount, unit);
    if (start == std::numeric_limits<uint64_t>::max() ||
        SaturatingAdd(start, length) == std::numeric_limits<uint64_t>::max())
        length = std::numeric_limits<uint64_t>::max() - start;
    return {start, length};
}

double LogValue(uint64_t v)
{
    return v >= 2 ? std::log(double(v)) : double(v);
}

void MoveToSecondPlace(CSearchedPartitionList& list, CSearchedPartitionInfo* p)
{
    auto it = std::find(list.begin(), list.end(), p);
    if (it == list.end() || std::distance(list.begin(), it) < 2) return;
    list.erase(it);
    auto second = std::next(list.begin());
    p->dRank = (*second)->dRank;
    list.insert(second, p);
}

} // namespace

const SectorRange* CFreeRangeList::FindContaining(const SectorRange& range) const
{
    for (const SectorRange& r : m_ranges)
        if (r.Contains(range)) return &r;
    return nullptr;
}

void CFreeRangeList::Take(const SectorRange& range)
{
    for (auto it = m_ranges.begin(); it != m_ranges.end(); ++it) {
        if (!it->Contains(range)) continue;
        const SectorRange f = *it;
        it = m_ranges.erase(it);
        const uint64_t rangeEnd = range.start + range.length;
        const uint64_t freeEnd = f.start + f.length;
        if (rangeEnd < freeEnd) it = m_ranges.insert(it, {rangeEnd, freeEnd - rangeEnd});
        if (range.start > f.start) m_ranges.insert(it, {f.start, range.start - f.start});
        return;
    }
}

void RankSearchedPartitions(CSearchedPartitionList& partitions)
{
    auto value = [](const CSearchedPartitionInfo* p) {
        return SaturatingAdd(SaturatingAdd(p->u64EvidenceScore, SaturatingMultiply(50, p->u64FoldersMatch)),
                             p->u64FilesMatch);
    };
    uint64_t best = 0;
    for (const CSearchedPartitionInfo* p : partitions) best = std::max(best, value(p));
    const double d = best >= 2 ? std::log(double(best)) : 1.0;
    for (CSearchedPartitionInfo* p : partitions) p->dRank = LogValue(value(p)) / d;
}

void SortPartitionsByScore(CSearchedPartitionList& partitions)
{
    // std::list::sort is stable.
    partitions.sort(
        [](const CSearchedPartitionInfo* a, const CSearchedPartitionInfo* b) { return a->dRank > b->dRank; });
}

void SelectRecommendedPartitions(CSearchedPartitionList& partitions, uint64_t deviceSectors, uint32_t deviceSectorSize)
{
    const uint64_t deviceBytes = SaturatingMultiply(deviceSectors, deviceSectorSize ? deviceSectorSize : 512);
    std::vector<CSearchedPartitionInfo*> candidates(partitions.begin(), partitions.end());
    CFreeRangeList free(SectorRange{0, deviceBytes});
    int picks = 0;
    for (;;) {
        CSearchedPartitionInfo* best = nullptr;
        for (CSearchedPartitionInfo* p : candidates)
            if (p->dRank > 0 && (!best || p->dRank > best->dRank) && free.IsFree(ByteRange(*p))) best = p;
        if (!best) break;
        best->bRecommended = 1;
        free.Take(ByteRange(*best));
        std::erase_if(candidates, [&](CSearchedPartitionInfo* p) { return p == best || !free.IsFree(ByteRange(*p)); });
        if (picks < 4) MoveToSecondPlace(partitions, best);
        ++picks;
    }

    constexpr uint64_t kWholeDiskSlack = 16777216;
    for (CSearchedPartitionInfo* p : partitions) {
        const uint64_t bytes = SaturatingMultiply(p->u64SectorsCount, p->nSectorSize ? p->nSectorSize : 512);
        const uint64_t difference = bytes > deviceBytes ? bytes - deviceBytes : deviceBytes - bytes;
        if (difference > kWholeDiskSlack) continue;
        if (p != partitions.front()) {
            p->bWholeDisk = 1;
            p->bRecommended = 1;
            MoveToSecondPlace(partitions, p);
        }
        break;
    }
}
