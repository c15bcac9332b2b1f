// A read-only sector device over a fuzz input, zero beyond the input up to its stated size.
#include "fuzz/common/FuzzDevice.h"

#include <algorithm>
#include <cstring>

namespace fuzz {

FuzzDevice::FuzzDevice(std::span<const uint8_t> bytes, int32_t sectorSize, uint64_t sectorCount)
    : m_bytes(bytes.begin(), bytes.end()), m_sectorSize(sectorSize > 0 ? sectorSize : 512), m_sectorCount(sectorCount)
{
    if (m_sectorCount == 0)
        m_sectorCount = std::max<uint64_t>(1, (m_bytes.size() + uint64_t(m_sectorSize) - 1) / uint64_t(m_sectorSize));
}

bool FuzzDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    ++m_reads;
    const uint64_t size = uint64_t(m_sectorSize);
    if (buffer == nullptr) return false;
    if (firstSector > m_sectorCount || sectorCount > m_sectorCount - firstSector) {
        // Zero what the caller may look at, but never more than the device could have given.
        const uint64_t room = std::min(sectorCount, m_sectorCount);
        std::memset(buffer, 0, room * size);
        return false;
    }
    uint8_t* out = static_cast<uint8_t*>(buffer);
    const uint64_t from = firstSector * size;
    const uint64_t want = sectorCount * size;
    const uint64_t have = from < m_bytes.size() ? std::min<uint64_t>(want, m_bytes.size() - from) : 0;
    if (have > 0) std::memcpy(out, m_bytes.data() + from, have);
    std::memset(out + have, 0, want - have);
    return true;
}

} // namespace fuzz
