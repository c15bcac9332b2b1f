// The compound-document probe.
#include "views/preview/formats/CompoundFileProbe.h"

#include "core/bytes/ByteReader.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr uint32_t kMaxRegular = 0xFFFFFFFA;
constexpr uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr unsigned kHeaderTableEntries = 109;
constexpr unsigned kEntrySize = 128;

class Sectors {
public:
    Sectors(std::span<const uint8_t> file, unsigned shift) : m_file(file), m_shift(shift)
    {
        const uint64_t size = uint64_t(1) << shift;
        // Sectors after the header block; a last one cut short still counts (some writers leave it so).
        m_count = file.size() > size ? (file.size() - size + size - 1) / size : 0;
    }
    uint64_t Count() const { return m_count; }
    uint32_t Size() const { return 1u << m_shift; }
    // The bytes of sector n; empty when it lies outside the file.
    std::span<const uint8_t> Get(uint32_t n) const
    {
        if (n >= m_count) return {};
        const uint64_t start = (uint64_t(n) + 1) << m_shift;
        return m_file.subspan(start, std::min<uint64_t>(Size(), m_file.size() - start));
    }

private:
    std::span<const uint8_t> m_file;
    unsigned m_shift;
    uint64_t m_count = 0;
};

// The ASCII name of a directory entry in lower case; empty when it holds a character above ASCII.
std::string EntryName(bytes::ByteReader& e)
{
    const uint16_t length = e.u16le(64);
    if (length < 2 || length > 64 || length % 2) return {};
    std::string name;
    for (unsigned i = 0; i + 2 < length; i += 2) {
        const uint16_t c = e.u16le(i);
        if (c == 0 || c > 0x7F) return {};
        name.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c));
    }
    return name;
}

} // namespace

CompoundProbe ProbeCompoundFile(std::span<const uint8_t> file)
{
    CompoundProbe probe;
    bytes::ByteReader h(file);
    if (!h.matches(0, std::span<const uint8_t>(kSignature)) || h.u16le(28) != 0xFFFE) return probe;
    const unsigned shift = h.u16le(30);
    if (shift != 9 && shift != 12) return probe;
    const uint32_t firstDirectory = h.u32le(48);
    uint32_t difat = h.u32le(68);
    const uint32_t difatCount = h.u32le(72);
    if (!h) return probe;
    const Sectors sectors(file, shift);
    const uint32_t perSector = sectors.Size() / 4;

    // The allocation-table sectors: the header's list, then the DIFAT chain, never more than the file holds.
    std::vector<uint32_t> tables;
    for (unsigned i = 0; i < kHeaderTableEntries; ++i) {
        const uint32_t s = h.u32le(76 + 4 * i);
        if (s <= kMaxRegular) tables.push_back(s);
    }
    for (uint32_t walked = 0; difat <= kMaxRegular && walked < difatCount && walked < sectors.Count(); ++walked) {
        bytes::ByteReader d(sectors.Get(difat));
        if (d.size() == 0) return probe;
        for (uint32_t i = 0; i + 1 < perSector; ++i) {
            const uint32_t s = d.u32le(4 * uint64_t(i));
            if (s <= kMaxRegular && tables.size() < sectors.Count()) tables.push_back(s);
        }
        difat = d.u32le(4 * uint64_t(perSector - 1));
    }
    auto next = [&](uint32_t n) -> uint32_t {
        const uint64_t t = n / perSector;
        if (t >= tables.size()) return kNoStream;
        bytes::ByteReader table(sectors.Get(tables[t]));
        const uint32_t v = table.u32le(4 * uint64_t(n % perSector));
        return table ? v : kNoStream;
    };

    // The directory: its chain, cut at the first sector seen twice or outside the file.
    std::vector<std::span<const uint8_t>> entries;
    std::vector<bool> seen(sectors.Count(), false);
    for (uint32_t s = firstDirectory; s != kEndOfChain;) {
        if (s >= sectors.Count() || seen[s]) {
            if (entries.empty()) return probe;
            break;
        }
        seen[s] = true;
        const std::span<const uint8_t> sector = sectors.Get(s);
        for (uint32_t off = 0; off + kEntrySize <= sector.size(); off += kEntrySize)
            entries.push_back(sector.subspan(off, kEntrySize));
        s = next(s);
    }
    if (entries.empty()) return probe;
    bytes::ByteReader root(entries[0]);
    if (root.u8(66) != 5) return probe;
    probe.opens = true;

    // The root's children: a tree of siblings, each entry visited at most once.
    std::vector<bool> visited(entries.size(), false);
    std::vector<uint32_t> pending{root.u32le(76)};
    while (!pending.empty()) {
        const uint32_t i = pending.back();
        pending.pop_back();
        if (i >= entries.size() || visited[i]) continue;
        visited[i] = true;
        bytes::ByteReader e(entries[i]);
        pending.push_back(e.u32le(68));
        pending.push_back(e.u32le(72));
        if (e.u8(66) != 2) continue;
        const std::string name = EntryName(e);
        if (name == "worddocument") probe.word = true;
        if (name == "book" || name == "workbook") probe.excel = true;
    }
    return probe;
}
