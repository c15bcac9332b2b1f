// Helpers of the partition tests: a sparse sector device for disks far larger than memory, byte builders
// of MBR entries and FAT boot sectors, the fixture images and their manifests, and an environment guard.
#pragma once

#include "core/devices/IStorageDevice.h"
#include "tests/support/FixtureManifests.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace parttest {

// Unwritten sectors read as zeros; reads touching a failing sector fail (the buffer zeroed).
class SparseDevice : public IStorageDevice {
public:
    SparseDevice(uint64_t sectorCount, int32_t sectorSize = 512) : m_count(sectorCount) { m_sectorSize = sectorSize; }

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override { return m_count; }
    int32_t GetSectorSize() override { return m_sectorSize; }
    bool Open() override { return true; }
    bool Close() override { return true; }

    // Writes bytes starting at a sector (spanning as many sectors as they need).
    void Write(uint64_t sector, const std::vector<uint8_t>& bytes);
    void Write(uint64_t sector, const uint8_t* bytes, size_t size);
    std::vector<uint8_t>& Sector(uint64_t sector);
    void FailSector(uint64_t sector) { m_failing.insert(sector); }

private:
    uint64_t m_count;
    std::map<uint64_t, std::vector<uint8_t>> m_sectors;
    std::set<uint64_t> m_failing;
};

// Writes one 16-byte partition entry (slot 0..3) into the table of an MBR or EBR sector, and the signature.
void PutMbrEntry(std::vector<uint8_t>& sector, int slot, uint8_t type, uint32_t first, uint32_t count,
                 uint8_t bootIndicator = 0x00);
std::vector<uint8_t> EmptyMbr(size_t sectorSize = 512);

// A FAT boot sector that classifies as the given type (0 FAT12, 1 FAT16, 2 FAT32) for 512-byte sectors.
struct FatBootOptions {
    int type = 1;
    uint8_t sectorsPerCluster = 4;
    uint16_t reservedSectors = 1;
    uint16_t rootEntries = 512;
    uint32_t sectorsPerFat = 32;
    uint64_t totalSectors = 65536;
    uint32_t rootCluster = 2;
    uint16_t sectorSize = 512;
};
std::vector<uint8_t> MakeFatBootSector(const FatBootOptions& options);

// An NTFS boot sector that IsNtfsBootSector accepts (512-byte sectors, 8 sectors per cluster).
std::vector<uint8_t> MakeNtfsBootSector(uint64_t totalSectors);

// A 32-byte directory entry.
std::vector<uint8_t> MakeDirEntry(const char (&name11)[12], uint8_t attributes, uint32_t firstCluster = 0,
                                  uint32_t size = 0);

// The fixture images, unpacked into memory or into a file.
using testsupport::ExtractFixtureImage;
using testsupport::LoadFixtureImage;

struct ManifestEntry {
    uint64_t start = 0;
    uint64_t count = 0;
    std::string fileSystem;
    std::string label;
};
struct PartitionManifest {
    int32_t sectorSize = 512;
    std::vector<ManifestEntry> entries;
};
PartitionManifest LoadPartitionManifest(const std::string& name);

// Sets or unsets an environment variable for one scope, restoring the old value at its end.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

} // namespace parttest
