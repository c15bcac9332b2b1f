// In-memory sector device for tests.
#include "tests/support/MemoryDevice.h"

#include <cstring>
#include <stdexcept>
#include <limits>

namespace testsupport {

MemoryDevice::MemoryDevice(uint64_t sectorCount, int32_t sectorSize)
    : m_bytes(static_cast<size_t>(sectorCount * static_cast<uint64_t>(sectorSize))), m_sectorCount(sectorCount)
{
    m_sectorSize = sectorSize;
}

MemoryDevice::MemoryDevice(std::vector<uint8_t> bytes, int32_t sectorSize) : m_bytes(std::move(bytes))
{
    m_sectorSize = sectorSize;
    const uint64_t size = static_cast<uint64_t>(sectorSize);
    m_sectorCount = size == 0 ? 0 : (m_bytes.size() + size - 1) / size;
    m_bytes.resize(static_cast<size_t>(m_sectorCount * size));
}

bool MemoryDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    std::function<void(uint64_t, uint64_t)> hook;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_reads.push_back({firstSector, sectorCount});
        hook = m_hook;
    }
    if (hook) hook(firstSector, sectorCount);

    std::lock_guard<std::mutex> guard(m_lock);
    const uint64_t size = static_cast<uint64_t>(m_sectorSize);
    auto* out = static_cast<uint8_t*>(buffer);
    if (sectorCount == 0) return true;
    uint64_t good = 0;
    if (m_open && firstSector < m_sectorCount) {
        const uint64_t available = m_sectorCount - firstSector;
        good = sectorCount < available ? sectorCount : available;
        auto failing = m_failing.lower_bound(firstSector);
        if (failing != m_failing.end() && *failing < firstSector + good) good = *failing - firstSector;
        if (good) std::memcpy(out, m_bytes.data() + firstSector * size, good * size);
    }
    if (good < sectorCount) {
        std::memset(out + good * size, 0, (sectorCount - good) * size);
        return false;
    }
    return true;
}

uint64_t MemoryDevice::GetSectorCount()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_open ? m_sectorCount : 0;
}

bool MemoryDevice::Open()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_open = true;
    return true;
}

bool MemoryDevice::Close()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_open = false;
    return true;
}

void MemoryDevice::Write(uint64_t byteOffset, const void* data, size_t size)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (byteOffset > m_bytes.size() || size > m_bytes.size() - byteOffset)
        throw std::out_of_range("MemoryDevice::Write past the end of the device");
    std::memcpy(m_bytes.data() + byteOffset, data, size);
}

void MemoryDevice::FillWithPattern()
{
    std::lock_guard<std::mutex> guard(m_lock);
    const uint64_t size = static_cast<uint64_t>(m_sectorSize);
    for (uint64_t i = 0; i < m_bytes.size(); ++i) m_bytes[i] = PatternByte(i / size, i % size);
}

void MemoryDevice::FailSector(uint64_t sector)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_failing.insert(sector);
}

void MemoryDevice::FailSectors(uint64_t first, uint64_t count)
{
    std::lock_guard<std::mutex> guard(m_lock);
    for (uint64_t i = 0; i < count; ++i) m_failing.insert(first + i);
}

void MemoryDevice::ClearFailures()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_failing.clear();
}

void MemoryDevice::SetReadHook(std::function<void(uint64_t, uint64_t)> hook)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_hook = std::move(hook);
}

uint64_t MemoryDevice::ReadCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_reads.size();
}

std::vector<MemoryDevice::Read> MemoryDevice::Reads() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_reads;
}

void MemoryDevice::ResetCounters()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_reads.clear();
}

} // namespace testsupport
