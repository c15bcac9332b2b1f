// Whether the cluster holding a place on the device is used by a live file; the RAW result tree keeps only hits
// in free clusters. Everything outside the bitmap counts as used.
#pragma once

#include <cstdint>
#include <vector>

// A place on a device, in bytes from its start: the one unit in which cluster-use bitmaps are described and asked.
// A bitmap marked in the sectors of one device (a 512-byte view) then answers for hits counted in the sectors of
// another (the 4096-byte device below it); the sector size is named where sectors become bytes, nowhere else.
class DeviceBytePos {
public:
    // Held at the last byte when the product does not fit (a sector number from a damaged state file): past
    // every bitmap, so counted as used.
    static constexpr DeviceBytePos OfSector(uint64_t sector, uint32_t sectorSize)
    {
        return DeviceBytePos(sectorSize != 0 && sector > UINT64_MAX / sectorSize ? UINT64_MAX : sector * sectorSize);
    }
    static constexpr DeviceBytePos OfByte(uint64_t byte) { return DeviceBytePos(byte); }
    constexpr uint64_t Byte() const { return m_byte; }

private:
    constexpr explicit DeviceBytePos(uint64_t byte) : m_byte(byte) {}
    uint64_t m_byte;
};

class IIsClusterUsed {
public:
    virtual bool IsClusterUsed(DeviceBytePos at) const = 0;

protected:
    ~IIsClusterUsed() = default;
};

// Filled by the NTFS, FAT and ext2 builders and copied whole into the bitmap: the geometry in the builder's own
// sectors, always with the size of those sectors.
struct ClusterBitmapInfo {
    ClusterBitmapInfo(const std::vector<bool>* bits_, uint64_t firstSectorOfCluster0_, uint32_t sectorsPerCluster_,
                      uint64_t clusterCount_, uint32_t sectorSize_)
        : bits(bits_),
          firstSectorOfCluster0(firstSectorOfCluster0_),
          sectorsPerCluster(sectorsPerCluster_),
          clusterCount(clusterCount_),
          sectorSize(sectorSize_)
    {
    }
    // One flag per cluster, true when in use; owned by the caller, who keeps it alive as long as the bitmap.
    const std::vector<bool>* bits;
    uint64_t firstSectorOfCluster0;
    uint32_t sectorsPerCluster; // NTFS clusters reach 2 MiB, 4096 sectors of 512 bytes
    uint64_t clusterCount;
    uint32_t sectorSize; // bytes per sector of the fields above
};

class CClusterUseBitMap : public IIsClusterUsed {
public:
    explicit CClusterUseBitMap(const ClusterBitmapInfo& info) : m_info(info) {}
    virtual ~CClusterUseBitMap() = default;

    // True before cluster 0, past the last cluster, beyond the flags given, or with no geometry.
    bool IsClusterUsed(DeviceBytePos at) const override;

private:
    ClusterBitmapInfo m_info;
};
