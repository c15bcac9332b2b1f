// Chunk ring device.
#include "core/devices/CBufferStorageDevice.h"

#include <algorithm>
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
    m_shared.assign(chunkCount, nullptr);
    m_attached = true;
    return true;
}

void CBufferStorageDevice::PushChunk(const void* data)
{
    if (!m_attached) return;
    m_slotTaken = false;
    m_shared[m_writePosition / m_chunkSectors].reset();
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
    m_shared[m_writePosition / m_chunkSectors].reset();
    return m_ring + size_t(m_writePosition) * size_t(m_sectorSize);
}

void CBufferStorageDevice::PushSharedChunkAt(uint64_t firstSector, std::shared_ptr<const uint8_t> chunk)
{
    if (!m_attached) return;
    TakeChunkSlot(firstSector);
    m_shared[m_writePosition / m_chunkSectors] = std::move(chunk);
    CommitChunkSlot();
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
    uint64_t p = (oldest + (firstSector - m_windowStart)) % m_ringSectors;
    auto* out = static_cast<uint8_t*>(buffer);
    // Chunk by chunk: each lies in the ring's memory or in the shared chunk standing in for its slot.
    for (uint64_t left = sectorCount; left != 0;) {
        const uint64_t slot = p / m_chunkSectors;
        const uint64_t at = p % m_chunkSectors;
        const uint64_t n = std::min<uint64_t>(left, m_chunkSectors - at);
        const uint8_t* chunk = m_shared[slot] ? m_shared[slot].get() : m_ring + slot * m_chunkSectors * size;
        std::memcpy(out, chunk + at * size, static_cast<size_t>(n) * size);
        out += n * size;
        left -= n;
        p = (p + n) % m_ringSectors;
    }
    return true;
}

bool CBufferStorageDevice::Close()
{
    if (m_ring != nullptr) munmap(m_ring, m_ringBytes);
    m_ring = nullptr;
    m_ringBytes = 0;
    m_shared.clear();
    m_attached = false;
    m_filled = 0;
    m_writePosition = 0;
    return true;
}
