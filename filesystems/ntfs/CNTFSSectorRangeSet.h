// Where the NTFS scan saw pieces of one metafile's content: ranges of consecutive 512-byte units of the
// device, appended in ascending order, bounded in number.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class CNTFSSectorRangeSet {
public:
    static constexpr size_t kMaxRanges = 500000;

    // Lengthens the range that ends at x, else appends {x, 1} while fewer than kMaxRanges exist. Units
    // arrive in ascending order, so only the last range can end at x.
    void Add(uint64_t x)
    {
        if (!m_ranges.empty() && m_ranges.back().first + m_ranges.back().count == x) {
            ++m_ranges.back().count;
            return;
        }
        // A unit already counted (or out of order) would break the ordering the counts rely on.
        if (!m_ranges.empty() && x < m_ranges.back().first + m_ranges.back().count) return;
        if (m_ranges.size() < kMaxRanges)
            m_ranges.push_back({x, 1});
        else
            ++m_dropped;
    }
    void AddRange(uint64_t first, uint64_t count)
    {
        for (uint64_t i = 0; i < count; ++i) Add(first + i);
    }
    // Units of the set inside [first, end).
    uint64_t CountIn(uint64_t first, uint64_t end) const
    {
        uint64_t n = 0;
        // Ranges are in ascending order and do not overlap: start at the first that ends after `first`.
        auto it = std::lower_bound(m_ranges.begin(), m_ranges.end(), first,
                                   [](const Range& r, uint64_t x) { return r.first + r.count <= x; });
        for (; it != m_ranges.end() && it->first < end; ++it) {
            const Range& r = *it;
            const uint64_t lo = r.first > first ? r.first : first;
            const uint64_t hi = r.first + r.count < end ? r.first + r.count : end;
            if (hi > lo) n += hi - lo;
        }
        return n;
    }
    size_t size() const { return m_ranges.size(); }
    uint64_t GetDroppedCount() const { return m_dropped; }
    void Clear() { m_ranges.clear(); }

private:
    struct Range {
        uint64_t first;
        uint64_t count;
    };
    std::vector<Range> m_ranges;
    uint64_t m_dropped = 0;
};
