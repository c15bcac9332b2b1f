// A small FAT16 volume built in memory for walk and build tests: 512-byte sectors, one reserved sector, two
// FAT copies of 12 sectors, a 512-entry root, then clusters; with helpers to link chains and place entries.
#pragma once

#include "filesystems/fat/tests/FATTestBytes.h"
#include "tests/support/MemoryDevice.h"

#include <cstdint>
#include <map>
#include <vector>

namespace fattest {

class Fat16Image {
public:
    static constexpr uint32_t kReserved = 1;
    static constexpr uint32_t kSectorsPerFAT = 12;
    static constexpr uint32_t kRootSectors = 32;

    explicit Fat16Image(uint8_t sectorsPerCluster = 8, uint32_t clusters = 300)
        : m_spc(sectorsPerCluster),
          m_clusters(clusters),
          m_device(uint64_t(kReserved + 2 * kSectorsPerFAT + kRootSectors) + uint64_t(clusters) * sectorsPerCluster)
    {
        BootParams p;
        p.type = 1;
        p.sectorsPerCluster = sectorsPerCluster;
        p.reserved = kReserved;
        p.rootEntries = 512;
        p.sectorsPerFAT = kSectorsPerFAT;
        p.totalSectors = uint32_t(m_device.GetSectorCount());
        auto boot = MakeBootSector(p);
        std::memcpy(&boot[0x2B], "TESTVOLUME ", 11);
        m_device.Write(0, boot.data(), boot.size());
        Link(0, 0xFFF8);
        Link(1, 0xFFFF);
    }

    testsupport::MemoryDevice& Device() { return m_device; }
    uint64_t RootSector() const { return kReserved + 2 * kSectorsPerFAT; }
    uint64_t DataStart() const { return RootSector() + kRootSectors; }
    uint32_t ClusterBytes() const { return m_spc * 512u; }
    uint8_t SectorsPerCluster() const { return m_spc; }
    uint32_t Clusters() const { return m_clusters; }

    // Both FAT copies.
    void Link(uint32_t cluster, uint16_t next)
    {
        for (uint32_t copy = 0; copy < 2; ++copy) {
            uint8_t v[2] = {uint8_t(next), uint8_t(next >> 8)};
            m_device.Write((kReserved + copy * kSectorsPerFAT) * 512ull + cluster * 2ull, v, 2);
        }
    }
    // Links the clusters in order and ends the chain.
    void Chain(const std::vector<uint32_t>& clusters)
    {
        for (size_t i = 0; i < clusters.size(); ++i)
            Link(clusters[i], i + 1 < clusters.size() ? uint16_t(clusters[i + 1]) : 0xFFFF);
    }
    void PutRoot(uint32_t index, const std::vector<uint8_t>& entries)
    {
        m_device.Write(RootSector() * 512 + index * 32ull, entries.data(), entries.size());
    }
    void PutCluster(uint32_t cluster, uint32_t offset, const std::vector<uint8_t>& bytes)
    {
        m_device.Write((DataStart() + uint64_t(cluster - 2) * m_spc) * 512 + offset, bytes.data(), bytes.size());
    }
    // "." and ".." at the start of a folder's first cluster.
    void Dots(uint32_t cluster, uint32_t parent)
    {
        EntryParams dot;
        dot.name = ".";
        dot.ext = "";
        dot.attr = 0x10;
        dot.cluster = cluster;
        PutCluster(cluster, 0, MakeEntry(dot));
        dot.name = "..";
        dot.cluster = parent;
        PutCluster(cluster, 32, MakeEntry(dot));
    }
    // Fills a cluster with a byte that names it.
    void Fill(uint32_t cluster) { PutCluster(cluster, 0, std::vector<uint8_t>(ClusterBytes(), uint8_t(cluster))); }

private:
    uint8_t m_spc;
    uint32_t m_clusters;
    testsupport::MemoryDevice m_device;
};

inline EntryParams File(const char* name, const char* ext, uint32_t cluster, uint32_t size, uint8_t attr = 0x20)
{
    EntryParams p;
    p.name = name;
    p.ext = ext;
    p.cluster = cluster;
    p.size = size;
    p.attr = attr;
    return p;
}

inline EntryParams Folder(const char* name, uint32_t cluster)
{
    return File(name, "", cluster, 0, 0x10);
}

} // namespace fattest
