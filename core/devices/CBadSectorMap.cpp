// Bad-sector-aware reading and the map of the areas found unreadable.
#include "core/devices/CBadSectorMap.h"

#include "core/devices/CReadLossScope.h"
#include "platform/Errors.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <mutex>
#include <new>

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
    if (first > UINT64_MAX / unit - count) {
        std::memset(out, 0, bytes);
        err = plat::kErrInvalidParameter;
        return false;
    }

    // With skipping on, what is recorded is not read again: the request is read around it.
    const std::vector<BadSectorRange> known =
        skip ? RecordedParts(first, first + count - 1) : std::vector<BadSectorRange>{};
    bool lost = false;
    bool failed = false;
    uint64_t at = first;
    auto readGap = [&](uint64_t to) {
        if (to <= at) return;
        uint32_t spanError = 0;
        const Span span = ReadSpan(handle, out + (at - first) * unit, at, to - at, skip, &spanError);
        if (err == 0) err = spanError;
        lost = lost || span == Span::kLost;
        failed = failed || span == Span::kFailed;
    };
    for (const BadSectorRange& range : known) {
        readGap(range.first);
        Lose(out + (range.first - first) * unit, range.first, range.end - range.first + 1, range.skipped, false);
        at = range.end + 1;
    }
    readGap(first + count);
    if (failed) return false;
    if (lost && !skip) {
        LogInfo("ReadSector find bad sector , not ignored\n");
        return false;
    }
    return true;
}

bool CBadSectorMap::ReadWhole(plat::IBlockDevice* handle, uint8_t* out, uint64_t first, uint64_t count, uint32_t* error)
{
    const uint64_t unit = GetUnit();
    const size_t bytes = static_cast<size_t>(count * unit);
    size_t got = 0;
    *error = 0;
    const bool ok = handle->ReadAt(first * unit, out, bytes, &got, error);
    if (got > bytes) got = bytes;
    // A partial last sector counts as read; its missing bytes, and everything after a short read, are zero.
    std::memset(out + got, 0, bytes - got);
    return ok && (got + unit - 1) / unit == count;
}

CBadSectorMap::Span CBadSectorMap::ReadSpan(plat::IBlockDevice* handle, uint8_t* out, uint64_t first, uint64_t count,
                                            bool skip, uint32_t* error)
{
    if (ReadWhole(handle, out, first, count, error)) return Span::kRead;
    // Not ready (unplugged, resetting): the device, not its sectors, failed; the caller may try again. A short
    // read without an error: the request runs past the device's end, which is no bad sector either.
    if (*error == plat::kErrNotReady || *error == 0) return Span::kFailed;
    return Rescue(handle, out, first, count, skip);
}

CBadSectorMap::Span CBadSectorMap::Rescue(plat::IBlockDevice* handle, uint8_t* out, uint64_t first, uint64_t count,
                                          bool skip)
{
    const uint64_t unit = GetUnit();
    const uint64_t chunk = std::max<uint64_t>(1, kRescueChunkBytes / unit);
    const uint64_t end = first + count;
    auto at = [&](uint64_t sector) { return out + (sector - first) * unit; };
    int failures = 1; // the read of the whole span
    uint32_t error = 0;
    auto tryRead = [&](uint64_t from, uint64_t n) {
        if (ReadWhole(handle, at(from), from, n, &error)) return true;
        ++failures;
        return false;
    };
    // A stretch that began before this request (recorded by an earlier one) is crossed as if it had been met here.
    uint64_t areaStart = skip ? RecordedAreaBefore(first) : UINT64_MAX;
    int badInRow = areaStart != UINT64_MAX ? kBadRunBeforeSkip - 1 : 0;
    uint64_t pos = first;
    while (pos < end) {
        if (failures >= kMaxFailedReadsPerRequest) {
            LogError("Bad sectors: %" PRIu64 " sectors from %" PRIu64 " are passed over after %d failed reads",
                     end - pos, pos, failures);
            Lose(at(pos), pos, end - pos, true, skip);
            return Span::kLost;
        }
        if (badInRow >= kBadRunBeforeSkip) {
            // Inside a failing stretch: pass over as far again as the stretch has reached, then try one sector.
            const uint64_t distance = std::max<uint64_t>(chunk, pos - areaStart);
            const uint64_t n = std::min(distance, end - pos);
            Lose(at(pos), pos, n, true, skip);
            pos += n;
            if (pos >= end) break;
            if (tryRead(pos, 1)) {
                badInRow = 0;
                areaStart = UINT64_MAX;
                ++pos;
            } else if (error == plat::kErrNotReady) {
                break;
            } else {
                Lose(at(pos), pos, 1, false, skip);
                ++pos;
            }
            continue;
        }
        if (badInRow > 0) {
            // Right after a failing sector: the next one alone, as failing sectors come in runs (a 4096-byte
            // physical sector behind 512-byte ones fails as eight).
            if (tryRead(pos, 1)) {
                badInRow = 0;
                areaStart = UINT64_MAX;
            } else if (error == plat::kErrNotReady) {
                break;
            } else {
                Lose(at(pos), pos, 1, false, skip);
                ++badInRow;
            }
            ++pos;
            continue;
        }
        uint64_t n = std::min(chunk, end - pos);
        if (tryRead(pos, n)) {
            pos += n;
            badInRow = 0;
            areaStart = UINT64_MAX;
            continue;
        }
        if (error == plat::kErrNotReady) break;
        // The piece fails: halve it down to its first failing sector; the good halves before it are kept.
        while (n > 1) {
            const uint64_t half = n / 2;
            if (tryRead(pos, half)) {
                pos += half;
                n -= half;
                badInRow = 0;
                areaStart = UINT64_MAX;
            } else {
                if (error == plat::kErrNotReady) break;
                n = half;
            }
        }
        if (error == plat::kErrNotReady) break;
        Lose(at(pos), pos, 1, false, skip);
        if (areaStart == UINT64_MAX) areaStart = pos;
        ++badInRow;
        ++pos;
    }
    if (pos < end) {
        // The device went away in the middle: what is left is not read, and the request fails.
        std::memset(at(pos), 0, static_cast<size_t>((end - pos) * unit));
        return Span::kFailed;
    }
    return Span::kLost;
}

void CBadSectorMap::Lose(uint8_t* out, uint64_t first, uint64_t count, bool skipped, bool record)
{
    const uint32_t unit = GetUnit();
    std::memset(out, 0, static_cast<size_t>(count * unit));
    if (record) {
        Record(first, first + count - 1, skipped);
        if (skipped)
            LogInfo("Bad sectors: %" PRIu64 " sectors from %" PRIu64 " passed over unread", count, first);
        else
            LogInfo("Bad sectors: sector %" PRIu64 " cannot be read", first);
    }
    CReadLossScope::Report({this, first, count, unit, out, skipped});
}

std::vector<BadSectorRange> CBadSectorMap::RecordedParts(uint64_t first, uint64_t last)
{
    std::vector<BadSectorRange> parts;
    {
        std::lock_guard<plat::CriticalSection> guard(m_lock);
        for (auto it = m_ranges.begin(); it != m_ranges.end() && it->first <= last; ++it)
            if (it->second.end >= first)
                parts.push_back(
                    {std::max(it->second.first, first), std::min(it->second.end, last), it->second.skipped});
    }
    // Ranges added from outside may overlap: each sector is taken once, from the range that reaches it first.
    std::vector<BadSectorRange> out;
    for (const BadSectorRange& part : parts) {
        if (!out.empty() && part.first <= out.back().end) {
            if (part.end > out.back().end) out.push_back({out.back().end + 1, part.end, part.skipped});
            continue;
        }
        out.push_back(part);
    }
    return out;
}

uint64_t CBadSectorMap::RecordedAreaBefore(uint64_t sector)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    uint64_t start = UINT64_MAX;
    uint64_t want = sector; // the sector the area must reach up to (exclusive)
    for (;;) {
        auto it = m_ranges.lower_bound(want);
        if (it == m_ranges.begin()) break;
        --it;
        if (it->second.end + 1 != want || it->first >= want) break;
        start = it->first;
        want = it->first;
        if (want == 0) break;
    }
    return start;
}

void CBadSectorMap::Record(uint64_t first, uint64_t end, bool skipped)
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    // Joined to the range of the same kind that ends right before it, so a stretch stays one range.
    auto it = m_ranges.lower_bound(first);
    if (it != m_ranges.begin()) {
        auto before = std::prev(it);
        if (before->second.skipped == skipped && before->second.end + 1 == first) {
            before->second.end = std::max(before->second.end, end);
            return;
        }
    }
    try {
        m_ranges.try_emplace(first, BadSectorRange{first, end, skipped});
    } catch (const std::bad_alloc&) {
        // Not recorded: the sectors will be read (and fail) again.
    }
}

uint64_t CBadSectorMap::GetRecordedSectors()
{
    std::lock_guard<plat::CriticalSection> guard(m_lock);
    uint64_t n = 0;
    uint64_t covered = 0; // ranges added from outside may overlap
    for (const auto& [key, range] : m_ranges) {
        const uint64_t from = std::max(range.first, covered);
        if (range.end >= from) n += range.end - from + 1;
        covered = std::max(covered, range.end + 1);
    }
    return n;
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
