// Ranking of the partitions a scan found, their order, and the choice of the non-overlapping ones offered
// with their check box set (plus the one spanning the whole device).
#pragma once

#include "filesystems/common/CSearchedPartitionInfo.h"

#include <cstdint>
#include <vector>

// The bytes [start, start + length) of the device.
struct SectorRange {
    uint64_t start = 0;
    uint64_t length = 0;
    bool Contains(const SectorRange& other) const
    {
        return start <= other.start && other.length <= length && other.start - start <= length - other.length;
    }
};

// The parts of the device not yet taken by a chosen partition.
class CFreeRangeList {
public:
    explicit CFreeRangeList(SectorRange whole) : m_ranges{whole} {}
    // The first listed range that contains range; null when none does.
    const SectorRange* FindContaining(const SectorRange& range) const;
    bool IsFree(const SectorRange& range) const { return FindContaining(range) != nullptr; }
    // Cuts range out of the free range that contains it; nothing when none does.
    void Take(const SectorRange& range);
    const std::vector<SectorRange>& GetRanges() const { return m_ranges; }

private:
    std::vector<SectorRange> m_ranges;
};

// dRank of each partition: ln(evidence + 50 x folders matched + files matched) relative to the best one.
void RankSearchedPartitions(CSearchedPartitionList& partitions);
// Stable, highest rank first.
void SortPartitionsByScore(CSearchedPartitionList& partitions);
// Recommends the best non-overlapping partitions (the first four picks moved up to the second place) and
// flags the partition that spans the device (within 16 MiB), moving it second. Ranges are compared in bytes:
// each partition's sectors are of its own nSectorSize, the device's of deviceSectorSize.
void SelectRecommendedPartitions(CSearchedPartitionList& partitions, uint64_t deviceSectors,
                                 uint32_t deviceSectorSize = 512);
