// Partition test helpers.
#include "filesystems/partitions/tests/PartitionTestSupport.h"

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace parttest {

namespace {

void Le(std::vector<uint8_t>& b, size_t at, uint64_t v, int width)
{
    for (int i = 0; i < width; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

} // namespace

bool SparseDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    auto* out = static_cast<uint8_t*>(buffer);
    const size_t size = size_t(m_sectorSize);
    std::memset(out, 0, size_t(sectorCount) * size);
    if (firstSector >= m_count || sectorCount > m_count - firstSector) return false;
    for (uint64_t i = 0; i < sectorCount; ++i)
        if (m_failing.count(firstSector + i)) {
            std::memset(out, 0, size_t(sectorCount) * size);
            return false;
        }
    for (auto it = m_sectors.lower_bound(firstSector); it != m_sectors.end() && it->first < firstSector + sectorCount;
         ++it)
        std::memcpy(out + size_t(it->first - firstSector) * size, it->second.data(), size);
    return true;
}

std::vector<uint8_t>& SparseDevice::Sector(uint64_t sector)
{
    auto& bytes = m_sectors[sector];
    bytes.resize(size_t(m_sectorSize), 0);
    return bytes;
}

void SparseDevice::Write(uint64_t sector, const uint8_t* bytes, size_t size)
{
    const size_t sectorSize = size_t(m_sectorSize);
    for (size_t done = 0; done < size; done += sectorSize, ++sector) {
        auto& target = Sector(sector);
        std::memcpy(target.data(), bytes + done, std::min(sectorSize, size - done));
    }
}

void SparseDevice::Write(uint64_t sector, const std::vector<uint8_t>& bytes)
{
    Write(sector, bytes.data(), bytes.size());
}

void PutMbrEntry(std::vector<uint8_t>& sector, int slot, uint8_t type, uint32_t first, uint32_t count, uint8_t boot)
{
    const size_t at = 446 + size_t(slot) * 16;
    std::fill(sector.begin() + long(at), sector.begin() + long(at + 16), 0);
    sector[at] = boot;
    sector[at + 4] = type;
    Le(sector, at + 8, first, 4);
    Le(sector, at + 12, count, 4);
    sector[510] = 0x55;
    sector[511] = 0xAA;
}

std::vector<uint8_t> EmptyMbr(size_t sectorSize)
{
    std::vector<uint8_t> sector(sectorSize, 0);
    sector[510] = 0x55;
    sector[511] = 0xAA;
    return sector;
}

std::vector<uint8_t> MakeFatBootSector(const FatBootOptions& o)
{
    std::vector<uint8_t> b(o.sectorSize, 0);
    b[0] = 0xEB;
    b[1] = 0x3C;
    b[2] = 0x90;
    std::memcpy(&b[3], "MSWIN4.1", 8);
    Le(b, 0x0B, o.sectorSize, 2);
    b[0x0D] = o.sectorsPerCluster;
    Le(b, 0x0E, o.reservedSectors, 2);
    b[0x10] = 2;
    b[0x15] = 0xF8;
    if (o.type == 2) {
        Le(b, 0x20, o.totalSectors, 4);
        Le(b, 0x24, o.sectorsPerFat, 4);
        Le(b, 0x2C, o.rootCluster, 4);
        std::memcpy(&b[0x52], "FAT32   ", 8);
    } else {
        Le(b, 0x11, o.rootEntries, 2);
        if (o.totalSectors < 65536)
            Le(b, 0x13, o.totalSectors, 2);
        else
            Le(b, 0x20, o.totalSectors, 4);
        Le(b, 0x16, o.sectorsPerFat, 2);
        std::memcpy(&b[0x36], o.type == 0 ? "FAT12   " : "FAT16   ", 8);
    }
    b[510] = 0x55;
    b[511] = 0xAA;
    return b;
}

std::vector<uint8_t> MakeNtfsBootSector(uint64_t totalSectors)
{
    std::vector<uint8_t> b(512, 0);
    b[0] = 0xEB;
    b[1] = 0x52;
    b[2] = 0x90;
    std::memcpy(&b[3], "NTFS    ", 8);
    Le(b, 0x0B, 512, 2);
    b[0x0D] = 8;
    b[0x15] = 0xF8;
    Le(b, 0x28, totalSectors, 8);
    Le(b, 0x30, 4, 8); // $MFT cluster
    Le(b, 0x38, 2, 8); // $MFTMirr cluster
    b[0x40] = 0xF6;    // 1024-byte FILE records
    b[0x44] = 1;       // one cluster per index record
    b[510] = 0x55;
    b[511] = 0xAA;
    return b;
}

std::vector<uint8_t> MakeDirEntry(const char (&name11)[12], uint8_t attributes, uint32_t firstCluster, uint32_t size)
{
    std::vector<uint8_t> e(32, 0);
    std::memcpy(e.data(), name11, 11);
    e[11] = attributes;
    Le(e, 20, firstCluster >> 16, 2);
    Le(e, 26, firstCluster & 0xFFFF, 2);
    Le(e, 28, size, 4);
    return e;
}

PartitionManifest LoadPartitionManifest(const std::string& name)
{
    PartitionManifest manifest;
    for (const std::vector<std::string>& f : testsupport::ReadManifestRows(name)) {
        if (f[0] == "sectorsize" && f.size() >= 2) {
            manifest.sectorSize = std::stoi(f[1]);
        } else if (f[0] == "entry" && f.size() >= 3) {
            ManifestEntry e;
            e.start = std::stoull(f[1]);
            e.count = std::stoull(f[2]);
            if (f.size() > 3) e.fileSystem = f[3];
            if (f.size() > 4) e.label = f[4];
            manifest.entries.push_back(e);
        }
    }
    return manifest;
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name)
{
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_old)
        ::setenv(m_name.c_str(), m_old->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

} // namespace parttest
