// A read-only sector device over a fuzz input: the bytes as given, then zeros up to a stated size, so that a
// short input can stand for the start of a much larger disk or volume.
#pragma once

#include "core/devices/IStorageDevice.h"

#include <cstdint>
#include <span>
#include <vector>

namespace fuzz {

class FuzzDevice : public IStorageDevice {
public:
    // sectorCount 0: just enough sectors for the bytes (at least one).
    FuzzDevice(std::span<const uint8_t> bytes, int32_t sectorSize, uint64_t sectorCount = 0);

    // Reads outside the device fail with a zeroed buffer; reads of the zero tail succeed.
    bool ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount) override;
    uint64_t GetSectorCount() override { return m_sectorCount; }
    int32_t GetSectorSize() override { return m_sectorSize; }
    bool Open() override { return true; }
    bool Close() override { return true; }

    uint64_t ReadCount() const { return m_reads; }

private:
    std::vector<uint8_t> m_bytes;
    int32_t m_sectorSize;
    uint64_t m_sectorCount;
    uint64_t m_reads = 0;
};

} // namespace fuzz
