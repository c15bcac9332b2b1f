// First-byte dispatch of sectors to the analysers of a list, merged with the tests at other offsets by list index.
#include "raw/RawSectorMatcher.h"

#include "core/bytes/ByteReader.h"

#include <algorithm>
#include <bitset>

namespace {

bool Ask(IRawFileAnalyser* analyser, const uint8_t* sector, CRawFileInfo* hit)
{
    try {
        return analyser->IsMatch(sector, hit) != 0;
    } catch (...) {
        return false;
    }
}

} // namespace

void RawSectorMatcher::Rebuild(const RawAnalyserList& list)
{
    m_entries.clear();
    m_offsetTests.clear();
    std::array<std::vector<Entry>, 256> buckets;
    // A signature test is a pure function of the sector: a later analyser with a signature already asked
    // cannot match where the earlier one did not, so it is left out.
    std::bitset<kRawSignatureCount> seen;
    for (size_t i = 0; i < list.Size(); ++i) {
        IRawFileAnalyser* analyser = list.At(i);
        const RawSignature signature = analyser->GetSignature();
        const Entry entry{static_cast<uint32_t>(i), analyser};
        if (signature == RawSignature::None) {
            for (auto& bucket : buckets) bucket.push_back(entry);
            continue;
        }
        const size_t s = static_cast<size_t>(signature);
        if (s >= kRawSignatureCount || seen.test(s)) continue;
        seen.set(s);
        const RawSignatureKey& key = GetRawSignatureKey(signature);
        if (key.offset == 0) {
            for (uint8_t v = 0; v < key.count; ++v) buckets[key.values[v]].push_back(entry);
        } else {
            OffsetTest test{entry.index, key.offset, key.count, {}, analyser};
            for (uint8_t v = 0; v < 4; ++v) test.values[v] = key.values[v];
            m_offsetTests.push_back(test);
        }
    }
    uint32_t at = 0;
    for (size_t b = 0; b < 256; ++b) {
        m_bucketStart[b] = at;
        m_entries.insert(m_entries.end(), buckets[b].begin(), buckets[b].end());
        at += static_cast<uint32_t>(buckets[b].size());
    }
    m_bucketStart[256] = at;
    m_lines.assign(1, 0);
    for (const OffsetTest& test : m_offsetTests) {
        const uint16_t line = uint16_t(test.offset / 64 * 64);
        if (std::find(m_lines.begin(), m_lines.end(), line) == m_lines.end()) m_lines.push_back(line);
    }
}

IRawFileAnalyser* RawSectorMatcher::Match(const uint8_t* sector, CRawFileInfo* hit) const
{
    if (bytes::LoadU32le(sector) == 0) return nullptr;
    const Entry* e = m_entries.data() + m_bucketStart[sector[0]];
    const Entry* const eEnd = m_entries.data() + m_bucketStart[sector[0] + 1];
    const OffsetTest* t = m_offsetTests.data();
    const OffsetTest* const tEnd = t + m_offsetTests.size();
    while (e != eEnd || t != tEnd) {
        IRawFileAnalyser* analyser;
        if (t == tEnd || (e != eEnd && e->index < t->index)) {
            analyser = (e++)->analyser;
        } else {
            const OffsetTest& test = *t++;
            const uint8_t b = sector[test.offset];
            bool fits = false;
            for (uint8_t v = 0; v < test.count; ++v) fits |= test.values[v] == b;
            if (!fits) continue;
            analyser = test.analyser;
        }
        if (Ask(analyser, sector, hit)) return analyser;
    }
    return nullptr;
}
