// A read-only sector device over a fuzz input that lists pages of a larger disk: records of a 32-bit
// little-endian page number and kPageSize bytes; every page not listed reads as zeros. Lets a short input
// stand for the metadata of a whole volume or disk.
#pragma once

#include "core/devices/IStorageDevice.h"

#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace fuzz {

class PagedFuzzDevice : public IStorageDevice {
public:
    static constexpr uint64_t kPageSize = 4096;

    // Pages beyond the device are ignored; a later record of the same page replaces an earlier one.
    PagedFuzzDevice(std::span<const uint8_t> input, int32_t sectorSize, uint64_t sectorCount);

    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override { return m_sectorCount; }
    int32_t GetSectorSize() override { return m_sectorSize; }
    bool Open() override { return true; }
    bool Close() override { return true; }

    // The bytes at a device offset (zeros where no page was given); for targets that start from a structure.
    std::vector<uint8_t> BytesAt(uint64_t offset, size_t count) const;

private:
    void Copy(uint8_t* out, uint64_t offset, uint64_t count) const;

    std::map<uint64_t, std::span<const uint8_t>> m_pages;
    int32_t m_sectorSize;
    uint64_t m_sectorCount;
};

} // namespace fuzz
