// The per-thread account of sectors read as zeros.
#include "core/devices/CReadLossScope.h"

#include <algorithm>

namespace {

// The innermost scope open on this thread. Like errno, the account belongs to the thread that read: a device
// deep below a partition window or a dynamic volume reports to whoever asked, without every device between
// them passing it on.
thread_local CReadLossScope* t_innermost = nullptr;

// Reports kept with their place in memory; a scope that hears more (a long scan) keeps only the counts.
constexpr size_t kMaxRecords = 65536;

} // namespace

CReadLossScope::CReadLossScope() : m_outer(t_innermost)
{
    t_innermost = this;
}

CReadLossScope::~CReadLossScope()
{
    t_innermost = m_outer;
}

bool CReadLossScope::AnyOpen()
{
    return t_innermost != nullptr;
}

void CReadLossScope::Report(const Record& record)
{
    if (record.count == 0) return;
    for (CReadLossScope* scope = t_innermost; scope; scope = scope->m_outer) scope->Add(record);
}

void CReadLossScope::Add(const Record& record)
{
    const uint64_t end = record.first + std::min(record.count, UINT64_MAX - record.first);
    m_zeroedBytes += record.count * record.unit;
    if (m_records.size() < kMaxRecords)
        m_records.push_back(record);
    else
        m_recordsOverflowed = true;

    // Merge [first, end) into the disjoint intervals, counting only the sectors not heard of before.
    Seen& seen = m_seen[{record.source, record.skipped}];
    seen.unit = record.unit;
    auto& intervals = seen.intervals;
    uint64_t first = record.first;
    uint64_t last = end;
    uint64_t known = 0;
    auto it = intervals.upper_bound(first);
    if (it != intervals.begin() && std::prev(it)->second >= first) --it;
    while (it != intervals.end() && it->first <= last) {
        const uint64_t from = std::max(it->first, record.first);
        const uint64_t to = std::min(it->second, end);
        if (to > from) known += to - from;
        first = std::min(first, it->first);
        last = std::max(last, it->second);
        it = intervals.erase(it);
    }
    intervals.emplace(first, last);
    const uint64_t added = (end - record.first) - known;
    m_lostSectors += added;
    m_lostBytes += added * record.unit;
    if (record.skipped) m_skippedSectors += added;
}

uint64_t CReadLossScope::LostBytesIn(const void* buffer, size_t bufferBytes, size_t counted) const
{
    if (m_recordsOverflowed) return std::min<uint64_t>(m_zeroedBytes, counted);
    const auto* begin = static_cast<const uint8_t*>(buffer);
    const auto* bufferEnd = begin + bufferBytes;
    const auto* countedEnd = begin + std::min(counted, bufferBytes);
    uint64_t lost = 0;
    for (const Record& r : m_records) {
        const uint64_t bytes = r.count * r.unit;
        if (!r.where || r.where < begin || r.where >= bufferEnd) {
            lost += bytes; // zeroed in a device's own memory, then copied in: its place is not known
            continue;
        }
        const uint8_t* from = r.where;
        const uint8_t* to = r.where + std::min<uint64_t>(bytes, uint64_t(bufferEnd - r.where));
        if (from < countedEnd) lost += uint64_t(std::min(to, countedEnd) - from);
    }
    return std::min<uint64_t>(lost, counted);
}

std::vector<CReadLossScope::Record> CReadLossScope::TakeRecords()
{
    std::vector<Record> out;
    if (!m_recordsOverflowed) {
        out.swap(m_records);
        return out;
    }
    // The kept records are only the first ones: hand over the merged stretches, which hold every sector.
    m_records.clear();
    for (const auto& [key, seen] : m_seen)
        for (const auto& [first, end] : seen.intervals)
            out.push_back(Record{key.first, first, end - first, seen.unit, nullptr, key.second});
    return out;
}
