// The compound-document walk: allocation-table sectors from the header and the DIFAT chain give the size, the
// names of the first directory entries (and, failing those, of the top-level streams) give the application.
#include "raw/FileOLEAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "raw/RawWalk.h"

#include <array>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

using bytes::ByteReader;

namespace {

constexpr size_t kEntrySize = 128;
constexpr size_t kHeaderTableEntries = 109;
constexpr size_t kDifatEntries = 127;
constexpr size_t kTableEntries = 128;
constexpr uint64_t kUnreadableDirectoryMaxSize = 10485760;
constexpr uint64_t kVisioExtraBytes = 1024;
// Cycle and size bounds of the walks that follow chains: allocation-table sectors kept (enough for 512 MiB of
// document), directory sectors followed, tree nodes visited.
constexpr size_t kMaxTableSectors = 8192;
constexpr size_t kMaxDirectorySectors = 4096;
constexpr size_t kMaxTreeNodes = 16384;

using Sector = std::array<uint8_t, kCompoundSectorSize>;

// The entry's name as UTF-16 units up to its zero (at most 32).
std::u16string EntryName(std::span<const uint8_t> entry)
{
    ByteReader r(entry);
    std::u16string name;
    for (size_t i = 0; i < 32; ++i) {
        const char16_t c = r.u16le(2 * i);
        if (c == 0 || !r) break;
        name.push_back(c);
    }
    return name;
}

std::span<const uint8_t> Entry(std::span<const uint8_t> sector, size_t index)
{
    ByteReader r(sector);
    return r.span(index * kEntrySize, kEntrySize);
}

bool Named(std::span<const uint8_t> sector, size_t index, std::u16string_view name)
{
    return EntryName(Entry(sector, index)) == name;
}

// Document sector s lies at byte 512 x (s + 1).
bool ReadDocumentSector(RawSectorReader& reader, uint64_t s, Sector& out)
{
    return reader.Read((s + 1) * kCompoundSectorSize, out.data(), out.size());
}

} // namespace

unsigned GetCompoundLastUsedPosition(std::span<const uint8_t> tableSector)
{
    ByteReader r(tableSector);
    for (size_t i = kTableEntries; i > 0; --i) {
        const uint32_t entry = r.u32le(4 * (i - 1));
        if (r && entry != kCompoundFree) return static_cast<unsigned>(i);
    }
    return 0;
}

int ClassifyCompoundDirectory(std::span<const uint8_t> d, uint64_t& extraBytes)
{
    extraBytes = 0;
    int type = RawType::kMOF;
    for (size_t i = 0; i < 4; ++i)
        if (Named(d, i, u"WordDocument") || Named(d, i, u"ObjectPool")) type = RawType::kDOC;
    if (Named(d, 1, u"Workbook") || Named(d, 1, u"Book") || Named(d, 2, u"Workbook") || Named(d, 2, u"Book"))
        type = RawType::kXLS;
    if (Named(d, 1, u"PowerPoint Document") || Named(d, 2, u"PowerPoint Document") ||
        Named(d, 3, u"PowerPoint Document"))
        type = RawType::kPPT;
    if (EntryName(Entry(d, 1)).starts_with(u"Pictures")) type = RawType::kPPT;
    if (Named(d, 1, u"PP40")) type = RawType::kPPT;
    if (Named(d, 1, u"Scene")) type = RawType::kMAX;
    if (Named(d, 1, u"VisioDocument")) {
        type = RawType::kVSD;
        extraBytes = kVisioExtraBytes;
    }
    if (Named(d, 1, u"PerfectOffice_MAIN") && Named(d, 2, u"PerfectOffice_OBJECTS")) {
        static constexpr std::array<uint8_t, 16> kNoClass{};
        ByteReader root(Entry(d, 0));
        if (Named(d, 3, u"\u0005SummaryInformation"))
            type = RawType::kSHW;
        else if (root.matches(80, kNoClass))
            type = RawType::kWPG;
        else
            type = RawType::kWPD;
    }
    if (Named(d, 1, u"Objects") && Named(d, 2, u"Quill") && Named(d, 3, u"Escher")) type = RawType::kPUB;
    if (Named(d, 1, u"NativeContent_MAIN")) type = RawType::kQPW;
    if (Named(d, 1, u"\u0001CompObj") &&
        ((Named(d, 2, u"   19") && Named(d, 3, u"   29")) || (Named(d, 2, u"   112") && Named(d, 3, u"   212"))))
        type = RawType::kMPP;
    if (Named(d, 1, u"PropData") && Named(d, 2, u"Forms") && Named(d, 3, u"Reports")) type = RawType::kADP;
    return type;
}

int ClassifyCompoundStream(std::span<const uint8_t> entry)
{
    const std::u16string name = EntryName(entry);
    if (name == u"WordDocument") return RawType::kDOC;
    if (name == u"Workbook" || name == u"Book") return RawType::kXLS;
    if (name == u"PowerPoint Document") return RawType::kPPT;
    return 0;
}

int FileOLEAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    return MatchRawSignature(RawSignature::OLE, sector, hit);
}

namespace {

// Allocation-table lookups and directory reads for the second look at the names, when the first directory
// sector names no application. Writers put the top-level streams anywhere in the directory, so the root's
// children are found through its tree of siblings.
class CompoundDirectory {
public:
    CompoundDirectory(RawWalk& walk, const std::vector<uint32_t>& tables) : m_walk(walk), m_tables(tables) {}

    // 21, 67 or 48 from the first top-level stream that names one; 0 when none does or the directory is unreadable.
    int ClassifyTopLevel(uint32_t firstDirectorySector)
    {
        std::unordered_set<uint32_t> seen;
        for (uint32_t s = firstDirectorySector; s < kCompoundEndOfChain && m_chain.size() < kMaxDirectorySectors;
             s = Next(s)) {
            if (!seen.insert(s).second) break;
            m_chain.push_back(s);
        }
        Sector sector{};
        if (!ReadEntry(0, sector)) return 0;
        std::vector<uint32_t> pending = {ByteReader(Entry(sector, 0)).u32le(76)};
        std::unordered_set<uint32_t> visited;
        while (!pending.empty() && visited.size() < kMaxTreeNodes) {
            const uint32_t id = pending.back();
            pending.pop_back();
            if (id >= kCompoundEndOfChain || !visited.insert(id).second) continue;
            m_walk.Step();
            if (!ReadEntry(id, sector)) continue;
            const std::span<const uint8_t> entry = Entry(sector, id % 4);
            if (const int type = ClassifyCompoundStream(entry); type != 0) return type;
            ByteReader r(entry);
            pending.push_back(r.u32le(68));
            pending.push_back(r.u32le(72));
        }
        return 0;
    }

private:
    // The next sector of s's chain; kCompoundEndOfChain when the table does not say.
    uint32_t Next(uint32_t s)
    {
        const size_t table = s / kTableEntries;
        if (table >= m_tables.size() || m_tables[table] == kCompoundFree) return kCompoundEndOfChain;
        uint8_t entry[4];
        const uint64_t at = (uint64_t(m_tables[table]) + 1) * kCompoundSectorSize + 4 * (s % kTableEntries);
        if (!m_walk.WithinBound(at) || !m_walk.Reader().Read(at, entry, sizeof entry)) return kCompoundEndOfChain;
        return bytes::LoadU32le(entry);
    }

    // Loads the directory sector that holds entry id.
    bool ReadEntry(uint32_t id, Sector& out)
    {
        const size_t index = id / 4;
        if (index >= m_chain.size() || !m_walk.WithinBound((uint64_t(m_chain[index]) + 1) * kCompoundSectorSize))
            return false;
        return ReadDocumentSector(m_walk.Reader(), m_chain[index], out);
    }

    RawWalk& m_walk;
    const std::vector<uint32_t>& m_tables;
    std::vector<uint32_t> m_chain;
};

} // namespace

int FileOLEAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [](RawWalk& walk) {
        RawSectorReader& reader = walk.Reader();
        Sector header{};
        if (!reader.Read(0, header.data(), header.size())) return 0;
        ByteReader h(header);

        // The allocation-table sectors in order (kept for the directory walk), their count and the last one.
        std::vector<uint32_t> tables;
        uint64_t count = 0;
        uint32_t last = kCompoundFree;
        auto take = [&](uint32_t s) {
            if (tables.size() < kMaxTableSectors) tables.push_back(s);
            if (s == kCompoundFree) return;
            ++count;
            last = s;
        };
        for (size_t i = 0; i < kHeaderTableEntries; ++i) take(h.u32le(76 + 4 * i));

        // The DIFAT chain ends at a free or non-increasing number, so a looping chain ends too.
        Sector difat{};
        for (uint32_t s = h.u32le(68); s != kCompoundEndOfChain && s != kCompoundFree;) {
            walk.Step();
            if (!walk.WithinBound((uint64_t(s) + 1) * kCompoundSectorSize)) break;
            if (!ReadDocumentSector(reader, s, difat)) return 0;
            ByteReader d(difat);
            for (size_t i = 0; i < kDifatEntries; ++i) take(d.u32le(4 * i));
            const uint32_t next = d.u32le(4 * kDifatEntries);
            if (next == kCompoundFree || next <= s) break;
            s = next;
        }
        // A header that lists no table sector says nothing of the size.
        if (count == 0) return 0;

        Sector table{};
        if (!ReadDocumentSector(reader, last, table)) return 0;
        const uint64_t used = GetCompoundLastUsedPosition(table) + kTableEntries * (count - 1);
        uint64_t size = kCompoundSectorSize * used + kCompoundSectorSize;

        Sector directory{};
        const uint32_t firstDirectory = h.u32le(48);
        if (!ReadDocumentSector(reader, firstDirectory, directory)) {
            if (size > kUnreadableDirectoryMaxSize) return 0;
            walk.Hit()->SetFileType(RawType::kMOF);
            walk.Hit()->SetSize(size);
            return 1;
        }
        uint64_t extra = 0;
        int type = ClassifyCompoundDirectory(directory, extra);
        size += extra;
        if (type == 39) {
            CompoundDirectory tree(walk, tables);
            if (const int named = tree.ClassifyTopLevel(firstDirectory); named != 0) type = named;
        }
        walk.Hit()->SetFileType(type);
        walk.Hit()->SetSize(size);
        return 1;
    });
}
