// Chunk ring device.
#include "core/devices/CBufferStorageDevice.h"

#include <cstring>
#include <limits>
#include <new>

#include <sys/mman.h>

bool CBufferStorageDevice::Attach(IStorageDevice* source, uint64_t windowStart, int32_t sectorSize,
                                  uint32_t chunkSectors, uint32_t chunkCount)
{
    Close();
    const uint64_t ringSectors = uint64_t(chunkSectors) * chunkCount;
    if (sectorSize <= 0 || ringSectors == 0 || ringSectors > std::numeric_limits<uint32_t>::max() ||
        ringSectors > std::numeric_limits<size_t>::max() / static_cast<uint64_t>(sectorSize))
        return false;
    const size_t bytes = static_cast<size_t>(ringSectors * static_cast<uint64_t>(sectorSize));
    void* ring = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (ring == MAP_FAILED) return false;
    madvise(ring, bytes, MADV_HUGEPAGE);
    m_ring = static_cast<uint8_t*>(ring);
    m_ringBytes = bytes;
    m_source = source;
    m_windowStart = windowStart;
    m_sectorSize = sectorSize;
    m_chunkSectors = chunkSectors;
    m_chunkCount = chunkCount;
    m_ringSectors = static_cast<uint32_t>(ringSectors);
    m_filled = 0;
    m_writePosition = 0;
    m_slotTaken = false;
    m_attached = true;
    return true;
}

void CBufferStorageDevice::PushChunk(const void* data)
{
    if (!m_attached) return;
    m_slotTaken = false;
    const size_t size = static_cast<size_t>(m_sectorSize);
    std::memcpy(m_ring + size_t(m_writePosition) * size, data, size_t(m_chunkSectors) * size);
    m_writePosition = (m_writePosition + m_chunkSectors) % m_ringSectors;
    if (m_filled < m_ringSectors)
        m_filled += m_chunkSectors;
    else
        m_windowStart += m_chunkSectors;
}

void CBufferStorageDevice::PushChunkAt(uint64_t firstSector, const void* data)
{
    if (!m_attached) return;
    if (firstSector != m_windowStart + m_filled) {
        m_windowStart = firstSector;
        m_filled = 0;
        m_writePosition = 0;
    }
    PushChunk(data);
}

uint8_t* CBufferStorageDevice::TakeChunkSlot(uint64_t firstSector)
{
    if (!m_attached) return nullptr;
    if (firstSector != m_windowStart + m_filled) {
        m_windowStart = firstSector;
        m_filled = 0;
        m_writePosition = 0;
    }
    // The oldest chunk is overwritten: it leaves the window before its bytes do.
    if (m_filled == m_ringSectors) {
        m_windowStart += m_chunkSectors;
        m_filled -= m_chunkSectors;
    }
    m_slotTaken = true;
    return m_ring + size_t(m_writePosition) * size_t(m_sectorSize);
}

void CBufferStorageDevice::CommitChunkSlot()
{
    if (!m_attached || !m_slotTaken) return;
    m_slotTaken = false;
    m_writePosition = (m_writePosition + m_chunkSectors) % m_ringSectors;
    m_filled += m_chunkSectors;
}

bool CBufferStorageDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    if (!m_attached) return false;
    if (sectorCount == 0) return true;
    // Compared without first + count, which could wrap.
    const bool inside = m_filled != 0 && firstSector >= m_windowStart && firstSector - m_windowStart < m_filled &&
                        sectorCount <= m_filled - (firstSector - m_windowStart);
    if (!inside) return m_source ? m_source->ReadSectors(buffer, firstSector, sectorCount) : false;
    const size_t size = static_cast<size_t>(m_sectorSize);
    const uint64_t oldest = (uint64_t(m_writePosition) + m_ringSectors - m_filled) % m_ringSectors;
    const uint64_t p = (oldest + (firstSector - m_windowStart)) % m_ringSectors;
    auto* out = static_cast<uint8_t*>(buffer);
    if (p + sectorCount <= m_ringSectors) {
        std::memcpy(out, m_ring + p * size, static_cast<size_t>(sectorCount) * size);
    } else {
        const uint64_t head = m_ringSectors - p;
        std::memcpy(out, m_ring + p * size, static_cast<size_t>(head) * size);
        std::memcpy(out + head * size, m_ring, static_cast<size_t>(sectorCount - head) * size);
    }
    return true;
}

bool CBufferStorageDevice::Close()
{
    if (m_ring != nullptr) munmap(m_ring, m_ringBytes);
    m_ring = nullptr;
    m_ringBytes = 0;
    m_attached = false;
    m_filled = 0;
    m_writePosition = 0;
    return true;
}
