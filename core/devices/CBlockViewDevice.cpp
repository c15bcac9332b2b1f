// A view of one block over its source.
#include "core/devices/CBlockViewDevice.h"

#include <algorithm>
#include <cstring>
#include <utility>

void CBlockViewDevice::SetBlock(uint64_t first, uint64_t count, std::span<const uint8_t> bytes,
                                std::shared_ptr<const uint8_t> share)
{
    const uint64_t unit = uint64_t(GetSectorSize() > 0 ? GetSectorSize() : 512);
    if (bytes.size() / unit < count) count = 0;
    m_first = first;
    m_count = count;
    m_bytes = count ? bytes : std::span<const uint8_t>();
    m_share = std::move(share);
}

bool CBlockViewDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    // As the read-ahead cache serves its current block.
    if (!m_source) return false;
    if (m_count == 0 || sectorCount == 0) return m_source->ReadSectors(buffer, firstSector, sectorCount);
    const uint64_t unit = uint64_t(GetSectorSize() > 0 ? GetSectorSize() : 512);
    auto* out = static_cast<uint8_t*>(buffer);
    const uint64_t begin = m_first;
    const uint64_t end = m_first + m_count;
    uint64_t done = 0;
    bool ok = true;
    if (firstSector < begin) {
        done = std::min(sectorCount, begin - firstSector);
        ok = m_source->ReadSectors(out, firstSector, done);
        if (done == sectorCount) return ok;
    }
    // Only a request that starts inside the block uses it; one that began before it was read whole above
    // up to the block and continues from the source.
    if (firstSector >= begin && firstSector < end) {
        const uint64_t take = std::min(sectorCount, end - firstSector);
        std::memcpy(out, m_bytes.data() + (firstSector - begin) * unit, static_cast<size_t>(take * unit));
        done = take;
        if (done == sectorCount) return ok;
    }
    if (!m_source->ReadSectors(out + done * unit, firstSector + done, sectorCount - done)) ok = false;
    return ok;
}
