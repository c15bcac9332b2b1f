// Partition window over a parent device.
#include "core/devices/CBasicPartitionDevice.h"

#include <cstring>
#include <limits>

CBasicPartitionDevice::CBasicPartitionDevice(IStorageDevice* parent, uint64_t firstSector, uint64_t sectorCount)
    : m_parent(parent), m_firstSector(firstSector), m_sectorCount(sectorCount)
{
}

int32_t CBasicPartitionDevice::GetSectorSize()
{
    return m_parent ? m_parent->GetSectorSize() : 512;
}

bool CBasicPartitionDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    const int32_t signedSize = GetSectorSize();
    const uint64_t size = signedSize > 0 ? static_cast<uint64_t>(signedSize) : 0;
    auto* out = static_cast<uint8_t*>(buffer);
    const bool sizeFits = size != 0 && sectorCount <= std::numeric_limits<size_t>::max() / size;
    if (sectorCount == 0) return true;
    if (!m_parent || !sizeFits || static_cast<int64_t>(firstSector) < 0 || firstSector >= m_sectorCount ||
        sectorCount > m_sectorCount || m_firstSector > std::numeric_limits<uint64_t>::max() - firstSector) {
        if (sizeFits) std::memset(out, 0, static_cast<size_t>(sectorCount * size));
        return false;
    }
    const uint64_t inside = std::min(sectorCount, m_sectorCount - firstSector);
    const bool result = m_parent->ReadSectors(out, m_firstSector + firstSector, inside);
    std::memset(out + inside * size, 0, static_cast<size_t>((sectorCount - inside) * size));
    return result;
}
