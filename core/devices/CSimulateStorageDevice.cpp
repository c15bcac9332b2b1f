// 512-byte-sector view over a device of larger sectors.
#include "core/devices/CSimulateStorageDevice.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// Whole inner sectors read straight into the caller's buffer at a time.
constexpr uint64_t kDirectReadBytes = 4u << 20;
} // namespace

CSimulateStorageDevice::CSimulateStorageDevice(IStorageDevice* inner) : m_inner(inner)
{
    m_sectorSize = 512;
    if (m_inner) Prepare();
}

bool CSimulateStorageDevice::Prepare()
{
    if (m_ratio > 0 && !m_buffer.empty()) return true;
    // An inner device that did not know its sector size yet (not open) is asked again on later use.
    const int32_t innerSize = m_inner->GetSectorSize();
    // A smaller or ragged inner sector would give a ratio of 0 or one that drops bytes of every sector.
    if (innerSize < 512 || innerSize % 512 != 0) {
        m_ratio = 0;
        return false;
    }
    m_ratio = innerSize / 512;
    m_buffer.assign(static_cast<size_t>(innerSize), 0);
    m_cacheTag = 0;
    return true;
}

CSimulateStorageDevice::~CSimulateStorageDevice() = default;

uint64_t CSimulateStorageDevice::GetSectorCount()
{
    if (!m_inner || !Prepare()) return 0;
    const uint64_t inner = m_inner->GetSectorCount();
    const uint64_t ratio = static_cast<uint64_t>(m_ratio);
    if (inner > std::numeric_limits<uint64_t>::max() / ratio) return std::numeric_limits<uint64_t>::max();
    return inner * ratio;
}

bool CSimulateStorageDevice::FillBuffer(uint64_t innerSector)
{
    if (m_inner->ReadSectors(m_buffer.data(), innerSector, 1)) {
        m_cacheTag = innerSector + 1;
        return true;
    }
    m_cacheTag = 0;
    return false;
}

bool CSimulateStorageDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    if (sectorCount == 0) return true;
    auto* out = static_cast<uint8_t*>(buffer);
    if (sectorCount > std::numeric_limits<uint64_t>::max() / 512)
        return false; // the caller's buffer cannot be that large; nothing is touched
    const uint64_t totalBytes = sectorCount * 512;
    if (!m_inner || !Prepare() || firstSector > std::numeric_limits<uint64_t>::max() - sectorCount) {
        std::memset(out, 0, totalBytes);
        return false;
    }
    const uint64_t ratio = static_cast<uint64_t>(m_ratio);
    const uint64_t innerBytes = ratio * 512;
    uint64_t done = 0;
    while (done < sectorCount) {
        const uint64_t s = firstSector + done;
        const uint64_t left = sectorCount - done;
        const uint64_t innerSector = s / ratio;
        if (m_cacheTag != 0 && m_cacheTag - 1 == innerSector) {
            const uint64_t offset = s % ratio;
            const uint64_t take = std::min(left, ratio - offset);
            std::memcpy(out + done * 512, m_buffer.data() + offset * 512, take * 512);
            done += take;
            continue;
        }
        if (s % ratio == 0 && left >= ratio) {
            // Whole inner sectors go straight to the caller; the last one is kept as the cached sector.
            const uint64_t whole = std::min(left / ratio, std::max<uint64_t>(1, kDirectReadBytes / innerBytes));
            if (!m_inner->ReadSectors(out + done * 512, innerSector, whole)) {
                m_cacheTag = 0;
                break;
            }
            std::memcpy(m_buffer.data(), out + (done + (whole - 1) * ratio) * 512, innerBytes);
            m_cacheTag = innerSector + whole;
            done += whole * ratio;
            continue;
        }
        if (!FillBuffer(innerSector)) break;
    }
    if (done < sectorCount) {
        std::memset(out + done * 512, 0, (sectorCount - done) * 512);
        return false;
    }
    return true;
}
