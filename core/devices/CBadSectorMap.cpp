// Bad-sector-aware reading and the map of the areas found unreadable.
#include "core/devices/CBadSectorMap.h"

#include "platform/Errors.h"
#include "platform/Log.h"

#include <cinttypes>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr uint32_t kProbeUnitSectors = 2048;
constexpr uint32_t kProbeMinUnits = 10;
constexpr uint32_t kProbeStartUnits = 50;

} // namespace

void CBadSectorMap::SetUnit(uint32_t bytesPerSector)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_unit = bytesPerSector ? bytesPerSector : 512;
}

uint32_t CBadSectorMap::GetUnit()
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    return m_unit;
}

bool CBadSectorMap::ReadSector(plat::IBlockDevice* handle, void* buffer, uint64_t first, uint64_t count, bool skip,
                               uint32_t* error)
{
    uint32_t localError = 0;
    uint32_t& err = error ? *error : localError;
    err = 0;
    const uint64_t unit = GetUnit();
    // count x unit must fit in 32 bits: the limit on one request's buffer.
    if (count >= (uint64_t(1) << 32) / unit) {
        LogInfo("-----------------Tov:Read sector parameter error = %" PRId64 "---------------",
                static_cast<int64_t>(count));
        return false;
    }
    const size_t bytes = static_cast<size_t>(count * unit);
    auto* out = static_cast<uint8_t*>(buffer);
    if (!handle) {
        std::memset(out, 0, bytes);
        return false;
    }
    if (count == 0) return true;
    if (skip && IsInBadRange(first, first + count - 1)) {
        std::memset(out, 0, bytes);
        return true;
    }
    size_t got = 0;
    bool ok = false;
    if (first <= UINT64_MAX / unit) {
        ok = handle->ReadAt(first * unit, out, bytes, &got, &err);
    } else {
        err = plat::kErrInvalidParameter;
    }
    if (got > bytes) got = bytes;
    // A partial last sector counts as read; its missing bytes, and everything after a short read, are zero.
    std::memset(out + got, 0, bytes - got);
    if (ok && (got + unit - 1) / unit == count) return true;
    if (!skip) {
        LogInfo("ReadSector find bad sector , not ignored\n");
        return false;
    }
    std::memset(out, 0, bytes);
    // A device that is not ready (unplugged, resetting) has no bad sectors to map; the caller may retry.
    if (err != plat::kErrNotReady) UpdateBadSector(handle, first, kProbeUnitSectors, kProbeMinUnits, kProbeStartUnits);
    return true;
}

void CBadSectorMap::UpdateBadSector(plat::IBlockDevice* handle, uint64_t failedSector, uint32_t unitSectors,
                                    uint32_t minUnits, uint32_t startUnits)
{
    LogInfo("UpdateBadSector start = %" PRId64 "\n", static_cast<int64_t>(failedSector));
    if (unitSectors < 1) unitSectors = 1;
    BadSectorRange range{failedSector, failedSector + uint64_t(unitSectors) * minUnits};
    if (!handle) return;
    const uint64_t unit = GetUnit();
    try {
        std::vector<uint8_t> probe(static_cast<size_t>(uint64_t(unitSectors) * unit));
        uint64_t u = startUnits;
        uint64_t failedAt = 0;
        while (u > minUnits) {
            LogInfo("UpdateBadSector nBadSectorUnitCount = %d\n", static_cast<int>(u));
            const uint64_t sector = failedSector + u * unitSectors;
            size_t got = 0;
            uint32_t err = 0;
            const bool ok =
                sector <= UINT64_MAX / unit && handle->ReadAt(sector * unit, probe.data(), probe.size(), &got, &err);
            if (!ok || got != probe.size()) {
                failedAt = u;
                break;
            }
            u /= 2;
            if (u < minUnits) {
                failedAt = minUnits;
                break;
            }
        }
        if (failedAt != 0) {
            range.end = failedSector + failedAt * unitSectors;
            LogInfo("UpdateBadSector find bad sector i64StartOffset = %" PRId64 ", i64EndOffset = %" PRId64 "\n",
                    static_cast<int64_t>(range.first), static_cast<int64_t>(range.end));
        }
    } catch (const std::bad_alloc&) {
        // Without a probe buffer the default extent is recorded.
    }
    AddRange(range);
}

bool CBadSectorMap::IsInBadRange(uint64_t first, uint64_t end)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    for (const auto& [key, range] : m_ranges)
        if (range.first <= end && range.end >= first) return true;
    return false;
}

uint32_t CBadSectorMap::AddRange(BadSectorRange range)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    try {
        m_ranges.try_emplace(range.first, range);
    } catch (const std::bad_alloc&) {
        return plat::kErrNotEnoughMemory;
    }
    return 0;
}

std::optional<BadSectorRange> CBadSectorMap::FindRange(uint64_t first)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    const auto it = m_ranges.find(first);
    if (it == m_ranges.end()) return std::nullopt;
    return it->second;
}

bool CBadSectorMap::GetRange(uint64_t first, BadSectorRange* range)
{
    const auto found = FindRange(first);
    if (!found || !range) return false;
    *range = *found;
    return true;
}

uint32_t CBadSectorMap::GetRanges(std::vector<uint64_t>* firsts)
{
    if (!firsts) return plat::kErrInvalidParameter;
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    firsts->clear();
    try {
        firsts->reserve(m_ranges.size());
        for (const auto& [key, range] : m_ranges) firsts->push_back(key);
    } catch (const std::bad_alloc&) {
        firsts->clear();
        return plat::kErrNotEnoughMemory;
    }
    return 0;
}

void CBadSectorMap::RemoveRange(uint64_t first)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_ranges.erase(first);
}

void CBadSectorMap::Clear()
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    m_ranges.clear();
}

size_t CBadSectorMap::GetRangeCount()
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    return m_ranges.size();
}
