// A read-only sector device over a fuzz input that lists pages of a larger disk.
#include "fuzz/common/PagedFuzzDevice.h"

#include <algorithm>
#include <cstring>

namespace fuzz {

PagedFuzzDevice::PagedFuzzDevice(std::span<const uint8_t> input, int32_t sectorSize, uint64_t sectorCount)
    : m_sectorSize(sectorSize > 0 ? sectorSize : 512), m_sectorCount(sectorCount)
{
    const uint64_t pages = (m_sectorCount * uint64_t(m_sectorSize) + kPageSize - 1) / kPageSize;
    for (size_t at = 0; input.size() - at >= 4 + kPageSize; at += 4 + kPageSize) {
        const uint64_t page = uint64_t(input[at]) | uint64_t(input[at + 1]) << 8 | uint64_t(input[at + 2]) << 16 |
                              uint64_t(input[at + 3]) << 24;
        if (page < pages) m_pages[page] = input.subspan(at + 4, kPageSize);
    }
}

void PagedFuzzDevice::Copy(uint8_t* out, uint64_t offset, uint64_t count) const
{
    std::memset(out, 0, count);
    auto it = m_pages.upper_bound(offset / kPageSize);
    if (it != m_pages.begin()) --it;
    for (; it != m_pages.end() && it->first * kPageSize < offset + count; ++it) {
        const uint64_t pageStart = it->first * kPageSize;
        const uint64_t from = std::max(pageStart, offset);
        const uint64_t to = std::min(pageStart + kPageSize, offset + count);
        if (from < to) std::memcpy(out + (from - offset), it->second.data() + (from - pageStart), to - from);
    }
}

bool PagedFuzzDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    if (buffer == nullptr) return false;
    const uint64_t size = uint64_t(m_sectorSize);
    if (firstSector > m_sectorCount || sectorCount > m_sectorCount - firstSector) {
        std::memset(buffer, 0, std::min(sectorCount, m_sectorCount) * size);
        return false;
    }
    Copy(static_cast<uint8_t*>(buffer), firstSector * size, sectorCount * size);
    return true;
}

std::vector<uint8_t> PagedFuzzDevice::BytesAt(uint64_t offset, size_t count) const
{
    std::vector<uint8_t> out(count);
    Copy(out.data(), offset, count);
    return out;
}

} // namespace fuzz
