// FAT label entries in the root directory.
#include "filesystems/partitions/CFatVolumeLabelReader.h"

#include "core/bytes/ByteReader.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/CFATDirEntry.h"

#include <span>
#include <unordered_set>
#include <vector>

namespace {

// A FAT directory holds at most 65,536 entries of 32 bytes; a root chain longer than that is damaged.
constexpr uint64_t kMaxDirectoryBytes = 65536ull * 32;

} // namespace

CFatVolumeLabelReader::CFatVolumeLabelReader(IStorageDevice* device)
    : m_device(device), m_sectorSize(device && device->GetSectorSize() > 0 ? device->GetSectorSize() : 512)
{
}

uint64_t CFatVolumeLabelReader::ClusterToSector(uint64_t volumeStart, const CFATDBR& boot, uint64_t cluster) const
{
    const uint64_t fatArea =
        volumeStart + boot.GetReservedSectorCount() + uint64_t(boot.GetNumberOfFATs()) * boot.GetSectorsPerFAT();
    const uint64_t dataCluster = (cluster - 2) * boot.GetSectorsPerCluster();
    switch (boot.GetFATType()) {
    case 0:
    case 1: return fatArea + uint64_t(boot.GetRootEntryCount()) * 32 / uint64_t(m_sectorSize) + dataCluster;
    case 2: return fatArea + dataCluster;
    default: return ~uint64_t(0);
    }
}

bool CFatVolumeLabelReader::ScanClusterForLabel(uint64_t sector, const CFATDBR& boot, std::string& label)
{
    const uint32_t sectorsPerCluster = boot.GetSectorsPerCluster();
    if (!m_device || sectorsPerCluster == 0) return false;
    std::vector<uint8_t> buffer(size_t(sectorsPerCluster) * size_t(m_sectorSize), 0);
    if (!m_device->ReadSectors(buffer.data(), sector, sectorsPerCluster)) return false;
    const FATEntryChecks checks = FATEntryChecks::FromOptions();
    for (size_t at = 0; at + 32 <= buffer.size(); at += 32) {
        const CFATDirEntry entry(std::span<const uint8_t>(buffer).subspan(at, 32));
        if (!entry.IsValidEntry(false, checks)) return false;
        if (entry.IsDeleted() || !entry.IsVolumeLabel()) continue;
        if (entry.IsEndMarker()) return false;
        label = entry.GetShortName(true);
        return true;
    }
    return false;
}

bool CFatVolumeLabelReader::ReadFixedRoot(uint64_t volumeStart, const CFATDBR& boot, std::string& label)
{
    const uint64_t rootSectors = uint64_t(boot.GetRootEntryCount()) * 32 / uint64_t(m_sectorSize);
    const uint64_t sectorsPerCluster = boot.GetSectorsPerCluster();
    if (rootSectors == 0 || sectorsPerCluster == 0) return false;
    // Whole clusters are read, so the last piece can reach into the first data clusters.
    const uint64_t pieces = (rootSectors - 1) / sectorsPerCluster + 1;
    const uint64_t rootStart =
        volumeStart + boot.GetReservedSectorCount() + uint64_t(boot.GetNumberOfFATs()) * boot.GetSectorsPerFAT();
    for (uint64_t i = 0; i < pieces; ++i)
        if (ScanClusterForLabel(rootStart + i * sectorsPerCluster, boot, label)) return true;
    return false;
}

bool CFatVolumeLabelReader::ReadRootChain(uint64_t volumeStart, const CFATDBR& boot, std::string& label)
{
    const uint64_t sectorsPerCluster = boot.GetSectorsPerCluster();
    if (sectorsPerCluster == 0) return false;
    const uint64_t clusterBytes = sectorsPerCluster * uint64_t(m_sectorSize);
    const uint64_t window = clusterBytes / 4; // FAT entries per window of one cluster's size
    std::vector<uint8_t> fat(clusterBytes, 0);
    uint64_t loaded = ~uint64_t(0);
    const uint64_t maxClusters = kMaxDirectoryBytes / clusterBytes + 1;
    std::unordered_set<uint64_t> visited;
    uint64_t cluster = boot.GetRootCluster();
    while (IsValidFAT32Cluster(cluster) && visited.size() < maxClusters && visited.insert(cluster).second) {
        if (ScanClusterForLabel(ClusterToSector(volumeStart, boot, cluster), boot, label)) return true;
        const uint64_t piece = cluster / window;
        if (piece != loaded) {
            if (!m_device->ReadSectors(fat.data(),
                                       volumeStart + boot.GetReservedSectorCount() + piece * sectorsPerCluster,
                                       sectorsPerCluster))
                return false;
            loaded = piece;
        }
        // Taken whole: a value with the top four bits set fails the cluster test and ends the chain.
        cluster = bytes::ByteReader(fat).u32le(size_t(cluster % window) * 4);
    }
    return false;
}

bool CFatVolumeLabelReader::ReadLabel(uint64_t volumeStart, const CFATDBR& boot, std::string& label)
{
    if (!m_device) return false;
    switch (boot.GetFATType()) {
    case 0:
    case 1: return ReadFixedRoot(volumeStart, boot, label);
    case 2: return ReadRootChain(volumeStart, boot, label);
    default: return false;
    }
}
