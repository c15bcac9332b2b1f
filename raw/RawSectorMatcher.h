// Offers a sector to an analyser list the fast way: only the analysers whose signature's key byte fits the
// sector are asked, in list order, so the answer is the one asking every analyser in turn would give.
#pragma once

#include "raw/RawAnalyserList.h"

#include <array>
#include <cstdint>
#include <vector>

class CRawFileInfo;

// Built from a list; holds pointers into it, so it is rebuilt whenever the list is (ResetFromTypeIds).
// Matching allocates nothing; const, so one matcher may serve several threads when the analysers' IsMatch do
// (every signature test does; the custom analyser writes the shared type table under its own rules).
class RawSectorMatcher {
public:
    RawSectorMatcher() = default;
    explicit RawSectorMatcher(const RawAnalyserList& list) { Rebuild(list); }

    void Rebuild(const RawAnalyserList& list);

    // The first analyser of the list whose IsMatch accepts the sector (at least 512 bytes), after it set the
    // hit's type and size; null when none does, or without asking any when the sector's first 32-bit word is 0.
    // An exception from IsMatch counts as no match. The caller then sets the start sector and caps a size the
    // header gave with CapRawHitSize (raw/RawWalk.h).
    IRawFileAnalyser* Match(const uint8_t* sector, CRawFileInfo* hit) const;

    // Asks the memory for the cache lines Match reads first in a sector (its first bytes and the bytes the
    // tests at other offsets compare), so that a scan can have them on the way some sectors ahead.
    void Prefetch(const uint8_t* sector) const
    {
        for (uint16_t line : m_lines) __builtin_prefetch(sector + line);
    }

    // Analysers asked through the first-byte buckets and through tests at other offsets, for tests.
    size_t BucketEntryCount() const { return m_entries.size(); }
    size_t OffsetTestCount() const { return m_offsetTests.size(); }

private:
    struct Entry {
        uint32_t index;
        IRawFileAnalyser* analyser;
    };
    struct OffsetTest {
        uint32_t index;
        uint16_t offset;
        uint8_t count;
        uint8_t values[4];
        IRawFileAnalyser* analyser;
    };

    // Analysers whose key is the first byte, bucket b in m_entries[m_bucketStart[b], m_bucketStart[b + 1]),
    // each bucket in list order; analysers without a signature are in every bucket.
    std::vector<Entry> m_entries;
    std::array<uint32_t, 257> m_bucketStart{};
    // Analysers keyed by a byte away from offset 0, in list order.
    std::vector<OffsetTest> m_offsetTests;
    // The offsets of the 64-byte lines those tests read, the first line included.
    std::vector<uint16_t> m_lines;
};
