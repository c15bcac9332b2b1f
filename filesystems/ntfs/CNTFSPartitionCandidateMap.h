// The NTFS scanner's candidate partitions: every piece of evidence that fixes a sector and a cluster number
// becomes a candidate (start = sector - cluster x sectors per cluster); candidates with the same start and
// cluster size are one partition and pool their evidence flags. Boot sectors are read here, both as the
// first sector of a partition and as the backup copy at its end.
#pragma once

#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <utility>
#include <vector>

class CNTFSDBR;

// Not safe to share between threads.
class CNTFSPartitionCandidateMap {
public:
    using Key = std::pair<uint64_t, uint8_t>; // data-area start sector, sectors per cluster
    using Map = std::multimap<Key, std::unique_ptr<CSearchedNTFSPartitionInfo>>;
    // Candidates held at most; further ones are dropped (and logged once).
    static constexpr size_t kMaxCandidates = 200000;

    // The device's sector count and size (bytes); sizes not a multiple of 512 count as 512.
    void SetDevice(uint64_t deviceSectors, uint32_t sectorSize);
    uint32_t GetSectorSize() const { return m_sectorSize; }
    uint64_t GetDeviceSectors() const { return m_deviceSectors; }

    // Start X - C x K; none when negative, less than 4096 bytes before X, K 0, or C negative.
    std::unique_ptr<CSearchedNTFSPartitionInfo> BuildFromRecord(uint64_t sector, int64_t cluster,
                                                                uint8_t sectorsPerCluster, uint32_t flags) const;
    // A candidate whose first sector is start, read from the boot sector (its geometry turned into the
    // device's sectors); none when start is negative, the geometry does not fit the device's sectors, or the
    // partition would have 7 sectors or fewer.
    std::unique_ptr<CSearchedNTFSPartitionInfo> BuildFromBootSector(const CNTFSDBR& boot, int64_t start,
                                                                    uint32_t flags);

    // Every candidate of the same partition gets (flags without clear) with set; those left with no flag are
    // deleted. True when one existed.
    bool Merge(const CSearchedNTFSPartitionInfo& candidate, uint32_t set, uint32_t clear);
    // Takes the candidate; false (and the candidate freed) when the map is full.
    bool Insert(std::unique_ptr<CSearchedNTFSPartitionInfo> candidate);
    // Merge with set, then insert when nothing merged.
    void MergeOrInsert(std::unique_ptr<CSearchedNTFSPartitionInfo> candidate, uint32_t set);
    // Calls f on every candidate of the same partition; returns how many there were.
    size_t ForEachSame(const Key& key, const std::function<void(CSearchedNTFSPartitionInfo&)>& f);
    static Key KeyOf(const CSearchedNTFSPartitionInfo& c) { return {c.u64DataAreaStartSector, c.bySectorsPerCluster}; }

    // Boot-sector evidence at sector X (a valid NTFS boot sector): read as the backup at the end of a
    // partition and as the first sector of one.
    void AnalyzeBootSector(uint64_t sector, const CNTFSDBR& boot);

    Map& Candidates() { return m_map; }
    size_t size() const { return m_map.size(); }
    // Hands every candidate out in map order; the map is empty afterwards.
    std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> TakeAll();
    size_t GetDroppedCount() const { return m_dropped; }

private:
    Map m_map;
    uint64_t m_deviceSectors = 0;
    uint32_t m_sectorSize = 512;
    size_t m_dropped = 0;
};
