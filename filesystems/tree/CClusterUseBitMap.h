// Whether the cluster holding a sector is used by a live file; the RAW result tree keeps only hits in free
// clusters. Everything outside the bitmap counts as used.
#pragma once

#include <cstdint>
#include <vector>

class IIsClusterUsed {
public:
    virtual bool IsClusterUsed(uint64_t sector) const = 0;

protected:
    ~IIsClusterUsed() = default;
};

// Filled by the NTFS, FAT and ext2 builders and copied whole into the bitmap.
struct ClusterBitmapInfo {
    // One flag per cluster, true when in use; owned by the caller, who keeps it alive as long as the bitmap.
    const std::vector<bool>* bits = nullptr;
    uint64_t firstSectorOfCluster0 = 0;
    uint32_t sectorsPerCluster = 0; // NTFS clusters reach 2 MiB, 4096 sectors of 512 bytes
    uint64_t clusterCount = 0;
};

class CClusterUseBitMap : public IIsClusterUsed {
public:
    explicit CClusterUseBitMap(const ClusterBitmapInfo& info) : m_info(info) {}
    virtual ~CClusterUseBitMap() = default;

    // True before cluster 0, past the last cluster, beyond the flags given, or with no geometry.
    bool IsClusterUsed(uint64_t sector) const override;

private:
    ClusterBitmapInfo m_info;
};
