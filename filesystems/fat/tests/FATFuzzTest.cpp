// Damaged FAT volumes: mutated boot sectors, tables, directory entries and chains through the decoders and the
// directory walk, and the fixture images with damaged metadata through the whole quick build and a read of every
// file it finds. Nothing may crash, hang, read outside its buffers (the ASan build checks that), allocate by a size
// read from the disk, or hand out runs that leave the device.
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/fat/CFATBuildContext.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/CFATDirEntry.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/fat/CFATLongNameEntry.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/fat/CFATTreeBuilder.h"
#include "filesystems/fat/FATStructures.h"
#include "filesystems/fat/FATTables.h"
#include "filesystems/fat/tests/FATImageBuilder.h"
#include "filesystems/tree/FileSystemKind.h"

#include "core/CRecoverySettings.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CFoundFileReader.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/DamagedTreeChecks.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/MemoryDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace fattest;
using testsupport::MemoryDevice;
using namespace testsupport;

namespace {

using Bytes = std::vector<uint8_t>;

// Values on the edges of the checks: zero, tiny, FAT12/16/32 reserved and end marks, sign bits and all ones.
constexpr uint64_t kInteresting[] = {
    0,      1,      2,      3,       0x0F,       0x10,       0x1F,       0x20,       0x7F,       0x80,      0xE5,
    0xFF,   0x100,  0x1FF,  0x200,   0xFF0,      0xFF7,      0xFF8,      0xFFF,      0x1000,     0x7FFF,    0x8000,
    0xFFF7, 0xFFF8, 0xFFFF, 0x10000, 0x0FFFFFF7, 0x0FFFFFF8, 0x0FFFFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};

class Rng {
public:
    explicit Rng(uint64_t seed) : m_rng(seed) {}
    uint64_t Below(uint64_t n) { return n == 0 ? 0 : std::uniform_int_distribution<uint64_t>(0, n - 1)(m_rng); }
    bool OneIn(uint64_t n) { return Below(n) == 0; }
    uint64_t Interesting() { return kInteresting[Below(std::size(kInteresting))]; }

private:
    std::mt19937_64 m_rng;
};

void PutLe(uint8_t* p, uint64_t v, unsigned width)
{
    for (unsigned i = 0; i < width; ++i) p[i] = uint8_t(v >> (8 * i));
}

// Flips, random bytes, edge values, copied runs and, now and then, a cut: a record damaged the ways disks do.
Bytes Mutate(Bytes b, Rng& rng)
{
    const int edits = 1 + int(rng.Below(8));
    for (int e = 0; e < edits && !b.empty(); ++e) {
        const size_t at = rng.Below(b.size());
        switch (rng.Below(4)) {
        case 0: b[at] ^= uint8_t(1u << rng.Below(8)); break;
        case 1: b[at] = uint8_t(rng.Below(256)); break;
        case 2: {
            const unsigned width = 1u << rng.Below(3);
            if (at + width <= b.size()) PutLe(&b[at], rng.Interesting(), width);
            break;
        }
        default: {
            const size_t from = rng.Below(b.size());
            const size_t n = std::min<size_t>(rng.Below(96), std::min(b.size() - from, b.size() - at));
            std::memmove(&b[at], &b[from], n);
            break;
        }
        }
    }
    if (rng.OneIn(16)) b.resize(rng.Below(b.size() + 1));
    return b;
}

bool IsValidUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// A name a saved file could take: no separator, no control byte, never "." or "..", whole UTF-8.
bool UsableName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == '/' || c == '\\') return false;
    return IsValidUtf8(name);
}

// Every name below the volume could name a saved file; runs stay on the device.
void CheckTree(MemoryDevice& device, CFileNode* tree, Reached& reached)
{
    const FoundTreeRules rules{4095, [&](uint64_t) { return device.GetSectorCount(); }, UsableName};
    CheckFoundTree(device, tree, rules, reached);
}

// The process-wide options a case changes, put back when the test ends.
class SettingsGuard {
public:
    SettingsGuard() : m_saved(*GetRecoverySettings()) {}
    ~SettingsGuard() { *GetRecoverySettings() = m_saved; }
    void Randomise(Rng& rng)
    {
        CRecoverySettings* s = GetRecoverySettings();
        *s = m_saved;
        s->m_fatCheckDate = !rng.OneIn(4);
        s->m_fatCheckTime = !rng.OneIn(4);
        const uint64_t copies = rng.Below(10);
        s->m_fatUseFirstCopy = copies != 8 && copies != 9;
        s->m_fatUseSecondCopy = copies != 7 && copies != 9;
        s->m_photoMode = rng.OneIn(10);
    }

private:
    CRecoverySettings m_saved;
};

// ---------------------------------------------------------------------------------------------------------------
// Whole fixture images.

struct Region {
    uint64_t offset;
    uint64_t size;
};

// Where a fixture image keeps its metadata, found on the intact image.
struct FatMetadata {
    int type = kFsKindNone;
    unsigned entryBits = 0;
    std::vector<Region> boot;    // boot sector, and the FAT32 information and backup sectors
    std::vector<Region> fats;    // each FAT copy
    std::vector<Region> root;    // the fixed root (FAT12/16)
    std::vector<Region> folders; // every cluster of every folder the intact tree lists
    std::vector<uint32_t> folderClusters;
    uint32_t clusterCount = 0;
};

FatMetadata MapMetadata(MemoryDevice& device, bool fat32)
{
    FatMetadata m;
    const uint64_t ss = uint64_t(device.GetSectorSize());
    const Bytes boot(device.Sector(0), device.Sector(1));
    const CFATDBR dbr(boot, int32_t(ss));
    m.type = dbr.GetFATType();
    m.entryBits = m.type == kFsKindFat12 ? 12 : m.type == kFsKindFat16 ? 16 : 32;
    const uint64_t reserved = dbr.GetReservedSectors();
    const uint64_t spf = dbr.GetSectorsPerFAT();
    const uint64_t spc = dbr.GetSectorsPerCluster();
    m.boot.push_back({0, ss});
    if (fat32) {
        m.boot.push_back({ss, ss});     // information sector
        m.boot.push_back({6 * ss, ss}); // backup boot sector
    }
    for (uint64_t copy = 0; copy < 2; ++copy) m.fats.push_back({(reserved + copy * spf) * ss, spf * ss});
    const uint64_t rootSector = reserved + 2 * spf;
    const uint64_t dataStart = rootSector + dbr.GetRootDirSectors();
    if (!fat32) m.root.push_back({rootSector * ss, uint64_t(dbr.GetRootDirSectors()) * ss});
    m.clusterCount = uint32_t((dbr.GetTotalSectors() - dataStart) / spc);

    std::set<uint32_t> firsts;
    if (fat32) firsts.insert(dbr.GetRootCluster());
    TreePtr tree(BuildFAT(&device, fat32, true, nullptr));
    if (!tree) return m;
    WalkFileTreeBreadthFirst(tree.get(), [&](CFileNode* node) {
        const auto* p = dynamic_cast<const CFATFileProperties*>(node->GetProperties());
        if (node != tree.get() && p && (p->GetAttributes() & fat::kAttrDirectory)) firsts.insert(p->GetFirstCluster());
    });
    std::unique_ptr<CDoubleFATTable> table = CreateDoubleFATTable(&device, reserved, m.type, uint32_t(spf), true, true);
    std::set<uint32_t> all;
    for (uint32_t first : firsts) {
        uint32_t c = first;
        for (uint32_t steps = 0; c >= 2 && c - 2 < m.clusterCount && steps < m.clusterCount && all.insert(c).second;
             ++steps)
            c = table->GetNextCluster(c);
    }
    for (uint32_t c : all) {
        m.folders.push_back({(dataStart + uint64_t(c - 2) * spc) * ss, spc * ss});
        m.folderClusters.push_back(c);
    }
    return m;
}

// A directory entry field worth aiming at, with a value that means something to the walk.
void DamageEntry(uint8_t* e, const FatMetadata& m, Rng& rng)
{
    switch (rng.Below(9)) {
    case 0: {
        static const uint8_t firsts[] = {0x00, 0xE5, '.', ' ', 0x05, 0x7F, 0xFF};
        e[0] = firsts[rng.Below(std::size(firsts))];
        break;
    }
    case 1: {
        static const uint8_t attrs[] = {0x0F, 0x10, 0x08, 0x40, 0x20, 0x18, 0x1F, 0x00};
        e[11] = rng.OneIn(4) ? uint8_t(rng.Below(256)) : attrs[rng.Below(std::size(attrs))];
        break;
    }
    case 2:
    case 3: { // first cluster: another folder's, a near one, or an edge value
        uint32_t c;
        const uint64_t pick = rng.Below(4);
        if (pick == 0 && !m.folderClusters.empty())
            c = m.folderClusters[rng.Below(m.folderClusters.size())];
        else if (pick == 1)
            c = uint32_t(rng.Below(uint64_t(m.clusterCount) + 4));
        else
            c = uint32_t(rng.Interesting());
        PutLe(e + 26, c, 2);
        if (m.type == kFsKindFat32 || rng.OneIn(4)) PutLe(e + 20, c >> 16, 2);
        break;
    }
    case 4: PutLe(e + 28, rng.OneIn(2) ? rng.Interesting() : rng.Below(1u << 20), 4); break;
    case 5: PutLe(e + 14 + 2 * rng.Below(6), rng.Below(65536), 2); break; // a date or time
    case 6: { // a long-name piece: order byte, a unit, or the checksum
        e[11] = 0x0F;
        if (rng.OneIn(2)) e[0] = uint8_t(rng.Below(0x60));
        static const size_t units[] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
        static const uint16_t values[] = {0, 0xFFFF, 0xD800, 0xDC00, '/', '\\', ':', '.', 0x0001, 0x00E9};
        PutLe(e + units[rng.Below(std::size(units))], values[rng.Below(std::size(values))], 2);
        break;
    }
    case 7: e[rng.Below(32)] ^= uint8_t(1u << rng.Below(8)); break;
    default: e[rng.Below(32)] = uint8_t(rng.Below(256)); break;
    }
}

void SetTableEntry(uint8_t* table, uint64_t tableBytes, unsigned bits, uint32_t index, uint32_t value)
{
    if (bits == 12) {
        const uint64_t at = uint64_t(index) * 3 / 2;
        if (at + 2 > tableBytes) return;
        uint16_t word = uint16_t(table[at] | table[at + 1] << 8);
        word = (index & 1) ? uint16_t((word & 0x000F) | (value & 0xFFF) << 4)
                           : uint16_t((word & 0xF000) | (value & 0xFFF));
        PutLe(table + at, word, 2);
        return;
    }
    const uint64_t width = bits / 8;
    if ((uint64_t(index) + 1) * width > tableBytes) return;
    PutLe(table + uint64_t(index) * width, value, unsigned(width));
}

uint32_t TableValue(const FatMetadata& m, uint32_t index, Rng& rng)
{
    const uint32_t mask = m.entryBits == 32 ? 0x0FFFFFFF : (1u << m.entryBits) - 1;
    switch (rng.Below(8)) {
    case 0: return 0;
    case 1: return 1;
    case 2: return index;                              // itself
    case 3: return index - 1 + uint32_t(rng.Below(3)); // a neighbour or itself
    case 4: return m.folderClusters.empty() ? 2 : m.folderClusters[rng.Below(m.folderClusters.size())];
    case 5: return mask - uint32_t(rng.Below(16)); // bad and end marks
    case 6: return uint32_t(rng.Below(uint64_t(m.clusterCount) + 16));
    default: return uint32_t(rng.Interesting());
    }
}

// Edits concentrated on the metadata; every byte touched is remembered so that the case can be undone.
void DamageImage(Bytes& image, const FatMetadata& m, Rng& rng, std::vector<Region>& touched)
{
    auto touch = [&](uint64_t offset, uint64_t size) { touched.push_back({offset, size}); };
    const int edits = 1 + int(rng.Below(4)) + (rng.OneIn(4) ? int(rng.Below(16)) : 0);
    for (int e = 0; e < edits; ++e) {
        const uint64_t where = rng.Below(100);
        if (where < 12) {
            const Region& r = m.boot[rng.Below(m.boot.size())];
            static const size_t fields[] = {0x0B, 0x0D, 0x0E, 0x10, 0x11, 0x13, 0x16,
                                            0x20, 0x24, 0x2C, 0x36, 0x52, 0x1FE};
            const uint64_t at =
                r.offset + (rng.OneIn(3) ? rng.Below(r.size - 4) : fields[rng.Below(std::size(fields))]);
            if (rng.OneIn(2))
                PutLe(&image[at], rng.Interesting(),
                      unsigned(std::min<uint64_t>(1u << rng.Below(3), r.offset + r.size - at)));
            else
                image[at] ^= uint8_t(1u << rng.Below(8));
            touch(at, 4);
        } else if (where < 40) {
            // One copy or both alike; mostly the entries in use, some anywhere.
            const uint64_t copies = rng.Below(3);
            const uint32_t limit = rng.OneIn(4) ? m.clusterCount + 2 : std::min<uint32_t>(m.clusterCount + 2, 600);
            const uint32_t index = uint32_t(rng.Below(limit));
            const uint32_t value = TableValue(m, index, rng);
            for (uint64_t copy = 0; copy < 2; ++copy) {
                if (copies != 2 && copy != copies) continue;
                const Region& r = m.fats[copy];
                SetTableEntry(&image[r.offset], r.size, m.entryBits, index, value);
                touch(r.offset + uint64_t(index) * m.entryBits / 8, 4);
            }
        } else {
            const std::vector<Region>& pool = !m.root.empty() && where < 60 ? m.root : m.folders;
            if (pool.empty()) continue;
            const Region& r = pool[rng.Below(pool.size())];
            const uint64_t slots = r.size / 32;
            const uint64_t slot = rng.OneIn(3) ? rng.Below(std::min<uint64_t>(slots, 4)) : rng.Below(slots);
            uint8_t* entry = &image[r.offset + slot * 32];
            switch (rng.Below(6)) {
            case 0: { // a misplaced entry: another one copied over it
                const Region& from = m.folders.empty() ? r : m.folders[rng.Below(m.folders.size())];
                std::memmove(entry, &image[from.offset + rng.Below(from.size / 32) * 32], 32);
                touch(r.offset + slot * 32, 32);
                break;
            }
            case 1: { // a wiped stretch
                const uint64_t n = std::min<uint64_t>(32 * (1 + rng.Below(16)), r.size - slot * 32);
                static const uint8_t fills[] = {0x00, 0xE5, 0xFF, 0x20};
                std::memset(entry, fills[rng.Below(std::size(fills))], n);
                touch(r.offset + slot * 32, n);
                break;
            }
            default:
                DamageEntry(entry, m, rng);
                touch(r.offset + slot * 32, 32);
                break;
            }
        }
    }
}

struct ImageCase {
    const char* name;
    bool fat32;
    int cases;
    uint64_t seedBase;
    int32_t sectorSize = 512; // other sizes are built here, the fixture images all have 512-byte sectors
};

// Names the case in test listings instead of its bytes.
void PrintTo(const ImageCase& c, std::ostream* out)
{
    *out << c.name;
}

// A FAT16 volume on 4096-byte sectors: a folder over two clusters, a long name, a fragmented file, a deleted file
// and a deleted folder.
Bytes MakeLargeSectorVolume()
{
    constexpr uint32_t kSector = 4096, kFATSectors = 2, kRootSectors = 4, kClusters = 1500;
    constexpr uint32_t kDataStart = 1 + 2 * kFATSectors + kRootSectors;
    BootParams p;
    p.type = 1;
    p.bytesPerSector = kSector;
    p.rootEntries = 512;
    p.sectorsPerFAT = kFATSectors;
    p.totalSectors = kDataStart + kClusters;
    Bytes image(size_t(p.totalSectors) * kSector, 0);
    const Bytes boot = MakeBootSector(p, kSector);
    std::copy(boot.begin(), boot.end(), image.begin());
    auto link = [&](uint32_t cluster, uint16_t next) {
        for (uint32_t copy = 0; copy < 2; ++copy) Put16(&image[(1 + copy * kFATSectors) * kSector + cluster * 2], next);
    };
    auto chain = [&](std::vector<uint32_t> clusters) {
        for (size_t i = 0; i < clusters.size(); ++i)
            link(clusters[i], i + 1 < clusters.size() ? uint16_t(clusters[i + 1]) : 0xFFFF);
    };
    auto at = [&](uint32_t cluster) { return &image[(kDataStart + uint64_t(cluster) - 2) * kSector]; };
    auto put = [](uint8_t* to, const std::vector<uint8_t>& bytes) { std::copy(bytes.begin(), bytes.end(), to); };
    auto dots = [&](uint32_t cluster, uint32_t parent) {
        EntryParams dot = Folder(".", cluster);
        dot.ext = "";
        put(at(cluster), MakeEntry(dot));
        dot.name = "..";
        dot.cluster = parent;
        put(at(cluster) + 32, MakeEntry(dot));
    };
    link(0, 0xFFF8);
    link(1, 0xFFFF);

    std::vector<uint8_t> root;
    auto add = [](std::vector<uint8_t>& to, const std::vector<uint8_t>& e) { to.insert(to.end(), e.begin(), e.end()); };
    add(root, MakeEntry(File("LARGESEC", "", 0, 0, 0x08)));
    add(root, MakeEntry(Folder("DOCS", 2)));
    add(root, MakeLongNameEntries(u"A fragmented file with a long name.bin",
                                  MakeEntry(File("AFRAGM~1", "BIN", 10, 3 * kSector - 7))));
    add(root, MakeEntry(File("\xE5"
                             "ELETED",
                             "TXT", 30, 5000)));
    add(root, MakeEntry(Folder("\xE5"
                               "LDDIR",
                               40)));
    put(&image[(1 + 2 * kFATSectors) * kSector], root);
    chain({10, 11, 14});

    dots(2, 0);
    chain({2, 3});
    std::vector<uint8_t> docs;
    for (uint32_t i = 0; i < 140; ++i) {
        char name[9];
        std::snprintf(name, sizeof name, "DOC%05u", i);
        add(docs, MakeEntry(File(name, "TXT", 100 + i, 100 + i)));
        chain({100 + i});
    }
    put(at(2) + 64, {docs.begin(), docs.begin() + long(kSector - 64)});
    put(at(3), {docs.begin() + long(kSector - 64), docs.end()});

    dots(40, 0);
    put(at(40) + 64, MakeEntry(File("INSIDE", "TXT", 41, 1000)));
    for (uint32_t c : {10u, 11u, 14u, 30u, 31u, 41u}) std::fill(at(c), at(c) + kSector, uint8_t(c));
    for (uint32_t i = 0; i < 140; ++i) std::fill(at(100 + i), at(100 + i) + 100 + i, uint8_t(i));
    return image;
}

// Builds, checks and reads one damaged image; the image is put back afterwards.
void RunImageCase(MemoryDevice& device, const Bytes& intact, const FatMetadata& m, const ImageCase& image,
                  uint64_t seed, SettingsGuard& settings, Reached& reached)
{
    SCOPED_TRACE(std::string(image.name) + " case seed " + std::to_string(seed));
    Rng rng(seed);
    settings.Randomise(rng);
    std::vector<Region> touched;
    DamageImage(device.Bytes(), m, rng, touched);
    const bool includeAll = !rng.OneIn(4);
    {
        ReadBudget budget(device, 16 * device.GetSectorCount());
        bytes::ParseResult result;
        TreePtr tree(BuildFAT(&device, image.fat32, includeAll, &budget, &result));
        // A cancel never leaves a tree behind.
        if (result.status == bytes::ParseStatus::Cancelled) {
            EXPECT_FALSE(tree);
        }
        EXPECT_FALSE(budget.Exceeded()) << "the build read " << budget.Read() << " sectors";
        if (tree) CheckTree(device, tree.get(), reached);
    }
    device.ResetCounters();
    for (const Region& r : touched) {
        const uint64_t end = std::min<uint64_t>(r.offset + r.size, intact.size());
        std::memcpy(device.Bytes().data() + r.offset, intact.data() + r.offset, end - r.offset);
    }
}

class FATFuzzImage : public testing::TestWithParam<ImageCase> {};

// ---------------------------------------------------------------------------------------------------------------
// A small byte-built volume for the decoder-level cases: folders with dots, long names, deleted entries.

struct SmallVolume {
    Fat16Image image{2, 200};            // 1 KiB clusters 2..201
    std::map<uint32_t, uint32_t> chains; // cluster -> next
    std::vector<uint32_t> folderClusters{0};

    SmallVolume()
    {
        std::vector<uint8_t> root;
        auto add = [](std::vector<uint8_t>& to, const std::vector<uint8_t>& e) {
            to.insert(to.end(), e.begin(), e.end());
        };
        add(root, MakeEntry(File("SMALLVOL", "", 0, 0, 0x08)));
        add(root, MakeLongNameEntries(u"A folder with a long name", MakeEntry(Folder("AFOLDE~1", 10))));
        add(root, MakeEntry(File("ROOT", "TXT", 20, 1500)));
        add(root, MakeEntry(File("\xE5"
                                 "ELETED",
                                 "BIN", 25, 3000)));
        add(root, MakeLongNameEntries(u"Deleted folder", MakeEntry(Folder("\xE5"
                                                                          "ELETE~1",
                                                                          30))));
        add(root, MakeEntry(File("EMPTY", "TXT", 0, 0)));
        add(root, MakeEntry(Folder("RECYCLER", 90)));
        image.PutRoot(0, root);
        Link({20, 21});
        for (uint32_t c : {20u, 21u, 25u, 26u, 27u}) image.Fill(c);

        // AFOLDER: two clusters, a sub-folder, a long name across the cluster edge.
        image.Dots(10, 0);
        Link({10, 11});
        std::vector<uint8_t> a;
        add(a, MakeEntry(Folder("SUB", 12)));
        for (int i = 0; i < 26; ++i) {
            char name[9];
            std::snprintf(name, sizeof name, "F%07d", i);
            add(a, MakeEntry(File(name, "TXT", uint32_t(40 + i), 100)));
            Link({uint32_t(40 + i)});
            image.Fill(uint32_t(40 + i));
        }
        const auto straddler =
            MakeLongNameEntries(u"A long name across two clusters.txt", MakeEntry(File("ALONGN~1", "TXT", 70, 2500)));
        add(a, straddler);
        Link({70, 72, 71});
        for (uint32_t c : {70u, 71u, 72u}) image.Fill(c);
        image.PutCluster(10, 64, {a.begin(), a.begin() + long(1024 - 64)});
        image.PutCluster(11, 0, {a.begin() + long(1024 - 64), a.end()});

        image.Dots(12, 10);
        Link({12});
        image.PutCluster(12, 64,
                         MakeEntry(File("\xE5"
                                        "UBDEL",
                                        "TXT", 80, 900)));
        image.Fill(80);

        image.Dots(30, 0);
        image.PutCluster(30, 64, MakeEntry(File("INDEL", "TXT", 31, 600)));
        image.Fill(31);
        // A recycle bin: the information file names the data file back.
        image.Dots(90, 0);
        Link({90});
        std::vector<uint8_t> bin = MakeEntry(File("$I1A2B3C", "TXT", 91, 0));
        add(bin, MakeEntry(File("$R1A2B3C", "TXT", 92, 700)));
        image.PutCluster(90, 64, bin);
        std::vector<uint8_t> info(24, 0);
        info[0] = 2;
        for (char16_t u : std::u16string(u"C:\\Users\\Ann\\Original report.txt"))
            info.insert(info.end(), {uint8_t(u), uint8_t(u >> 8)});
        info.resize(info.size() + 2, 0);
        PutLe(&bin[28], info.size(), 4); // the information file's size
        image.PutCluster(90, 64, bin);
        image.PutCluster(91, 0, info);
        Link({91});
        Link({92});
        image.Fill(92);
        folderClusters = {0, 10, 11, 12, 30, 90};
    }

    void Link(const std::vector<uint32_t>& clusters)
    {
        image.Chain(clusters);
        for (size_t i = 0; i < clusters.size(); ++i)
            chains[clusters[i]] = i + 1 < clusters.size() ? clusters[i + 1] : fat::kEndOfChain;
    }
};

// Any next-cluster values at all, loops and cross-links included (a loaded FAT12 copy can hold those).
struct FakeTable : IFATTable {
    std::map<uint32_t, uint32_t> next;
    uint32_t GetNextCluster(uint32_t c) const override
    {
        auto f = next.find(c);
        return f == next.end() ? 0 : f->second;
    }
};

FATVolumeGeometry GeometryOf(Fat16Image& image)
{
    FATVolumeGeometry g;
    g.type = kFsKindFat16;
    g.sectorsPerCluster = image.SectorsPerCluster();
    g.rootSector = image.RootSector();
    g.rootSectors = Fat16Image::kRootSectors;
    g.rootPresent = true;
    g.dataStart = image.DataStart();
    g.sectorCount = image.Device().GetSectorCount();
    return g;
}

// The table rule stated independently: no entry 1 or pointing to itself or past the table below the limit, no
// cluster reached from two others, no loop.
bool ChainsSound(const std::vector<uint32_t>& entry, uint32_t limit)
{
    const uint32_t n = uint32_t(entry.size());
    std::vector<int> predecessors(n, 0);
    auto isLink = [&](uint32_t v) { return v >= 2 && v < n && v < limit; };
    for (uint32_t i = 2; i < n; ++i) {
        const uint32_t v = entry[i];
        if (v == 1 || v == i || (v >= n && v < limit)) return false;
        if (isLink(v) && ++predecessors[v] > 1) return false;
    }
    // Stamps tell which start's walk passed a cluster: meeting the current stamp again closes a loop, meeting
    // an older one joins a chain already walked.
    std::vector<uint32_t> stamp(n, 0);
    for (uint32_t i = 2; i < n; ++i) {
        for (uint32_t c = i;;) {
            if (stamp[c] == i) return false;
            if (stamp[c] != 0) break;
            stamp[c] = i;
            if (!isLink(entry[c])) break;
            c = entry[c];
        }
    }
    return true;
}

} // namespace

TEST(FATFuzz, MutatedBootSectorsClassifyAndBuildSafely)
{
    BootParams fat12;
    BootParams fat32;
    fat32.type = 2;
    fat32.reserved = 32;
    fat32.sectorsPerFAT = 630;
    fat32.totalSectors = 81920;
    SmallVolume volume;
    const Bytes intact(volume.image.Device().Sector(0), volume.image.Device().Sector(1));
    std::vector<Bytes> seeds = {MakeBootSector(fat12), MakeBootSector(fat32), intact};
    for (const char* name : {"fat12", "fat16", "fat32"}) {
        const Bytes image = testsupport::LoadFixtureImage(name);
        ASSERT_GE(image.size(), 512u) << name;
        seeds.emplace_back(image.begin(), image.begin() + 512);
    }

    Rng rng(0xB007);
    MemoryDevice& device = volume.image.Device();
    int valid = 0, built = 0;
    Reached reached;
    for (int i = 0; i < 4000; ++i) {
        SCOPED_TRACE(i);
        const Bytes& seed = seeds[size_t(i) % seeds.size()];
        const Bytes b = i % 11 == 10 ? Bytes(512, uint8_t(rng.Below(256))) : Mutate(seed, rng);
        const CFATDBR dbr(b, 512);
        if (dbr.IsValid()) {
            ++valid;
            const uint8_t spc = dbr.GetSectorsPerCluster();
            ASSERT_TRUE(spc != 0 && (spc & (spc - 1)) == 0);
            ASSERT_EQ(dbr.GetNumberOfFATs(), 2);
            ASSERT_GE(dbr.GetSectorsPerFAT(), 1u);
            ASSERT_LE(dbr.GetRootDirSectors(), 65535u * 32 / 512);
        }

        // The same sector at the start of the small volume, through the quick build on this thread: the
        // geometry it claims now meets a device it may not fit.
        Bytes sector = b;
        sector.resize(512);
        device.Write(0, sector.data(), sector.size());
        CFATSearchedPartitionInfo partition(512);
        partition.u64StartSector = 0;
        partition.u64SectorsCount = device.GetSectorCount();
        partition.AddFlags(kFATFlagsAnyBoot | kFATFlagFoundFAT1 | kFATFlagUseFAT1 | kFATFlagFoundFAT2 |
                           kFATFlagUseFAT2);
        TreePtr tree(FATQuickBuild(nullptr, &partition, &device, true));
        if (tree) {
            ++built;
            CheckTree(device, tree.get(), reached);
            if (HasFatalFailure()) return;
        }
        device.ResetCounters();
    }
    device.Write(0, intact.data(), intact.size());
    EXPECT_GT(valid, 800);
    EXPECT_GT(built, 300);
    EXPECT_GT(reached.filesRead, 1000u);
}

TEST(FATFuzz, MutatedDirectoriesAndChainsThroughTheWalk)
{
    SmallVolume volume;
    MemoryDevice& device = volume.image.Device();
    const Bytes intact = device.Bytes();
    std::vector<Region> folders = {{volume.image.RootSector() * 512, Fat16Image::kRootSectors * 512}};
    for (uint32_t c : {10u, 11u, 12u, 30u, 90u, 91u})
        folders.push_back({(volume.image.DataStart() + uint64_t(c - 2) * 2) * 512, 1024});
    const uint32_t clusters = volume.image.Clusters();

    {
        // The intact volume reaches the recycle-bin pairing, so the damaged ones test it too.
        FakeTable table;
        table.next = volume.chains;
        CFATBuildContext context(nullptr, &device, GeometryOf(volume.image), &table);
        TreePtr tree(QuickBuildTree(context, nullptr, true));
        ASSERT_TRUE(tree);
        bool renamed = false;
        WalkFileTreeBreadthFirst(tree.get(), [&](CFileNode* n) {
            renamed = renamed || std::string(n->GetProperties()->GetName()) == "Original report.txt";
        });
        ASSERT_TRUE(renamed);
    }

    Rng rng(0xD1E5);
    SettingsGuard settings;
    Reached reached;
    for (int i = 0; i < 3000; ++i) {
        SCOPED_TRACE(i);
        settings.Randomise(rng);
        // Damaged entries in the folders...
        const int edits = 1 + int(rng.Below(6));
        for (int e = 0; e < edits; ++e) {
            const Region& r = folders[rng.Below(folders.size())];
            const uint64_t slot = rng.OneIn(2) ? rng.Below(8) : rng.Below(r.size / 32);
            uint8_t* entry = device.Bytes().data() + r.offset + slot * 32;
            if (rng.OneIn(5)) {
                const Region& from = folders[rng.Below(folders.size())];
                std::memmove(entry, device.Bytes().data() + from.offset + rng.Below(from.size / 32) * 32, 32);
            } else {
                FatMetadata m;
                m.type = kFsKindFat16;
                m.clusterCount = clusters;
                m.folderClusters = volume.folderClusters;
                DamageEntry(entry, m, rng);
            }
        }
        // ...and chains that loop, cross, jump out of the volume or end on marks no real table would hold.
        FakeTable table;
        table.next = volume.chains;
        for (int e = 0, n = int(rng.Below(6)); e < n; ++e) {
            const uint32_t from = rng.OneIn(2) ? uint32_t(rng.Below(90)) : uint32_t(rng.Below(clusters + 4));
            const uint64_t kind = rng.Below(5);
            table.next[from] = kind == 0   ? from
                               : kind == 1 ? uint32_t(rng.Below(90))
                               : kind == 2 ? volume.folderClusters[rng.Below(volume.folderClusters.size())]
                               : kind == 3 ? fat::kBadCluster
                                           : uint32_t(rng.Interesting());
        }
        CFATBuildContext context(nullptr, &device, GeometryOf(volume.image), &table);
        TreePtr tree(QuickBuildTree(context, nullptr, !rng.OneIn(4)));
        CheckTree(device, tree.get(), reached);
        if (HasFatalFailure()) return;
        tree.reset();

        // The same damaged bytes as lost entries under a partition node, as a scan of the root area reads them.
        CFATBuildContext lost(nullptr, &device, GeometryOf(volume.image), &table);
        CFileSystemNode* partition = lost.MakePartitionNode(0);
        FATDirectoryQueue queue;
        const Region& r = folders[rng.Below(folders.size())];
        const int processed = lost.ProcessDirectoryEntries({device.Bytes().data() + r.offset, size_t(r.size)},
                                                           partition, queue, true, true);
        ASSERT_LE(processed, int(r.size));
        lost.FreeBuildTree(partition);

        device.Bytes() = intact;
    }
    EXPECT_GT(reached.trees, 2999u);
    EXPECT_GT(reached.filesRead, 20000u);
    EXPECT_GT(reached.nested, 1500u);
}

TEST(FATFuzz, MutatedEntriesGiveUsableNames)
{
    SmallVolume volume;
    std::vector<Bytes> seeds;
    for (const char* name : {"fat16", "fat32"}) {
        MemoryDevice device(testsupport::LoadFixtureImage(name));
        ASSERT_GT(device.GetSectorCount(), 0u) << name;
        const FatMetadata m = MapMetadata(device, std::string(name) == "fat32");
        for (size_t i = 0; i < m.folders.size() && i < 24; ++i)
            seeds.emplace_back(device.Bytes().begin() + long(m.folders[i].offset),
                               device.Bytes().begin() + long(m.folders[i].offset + m.folders[i].size));
    }
    ASSERT_GT(seeds.size(), 10u);
    Rng rng(0x1F17);
    int named = 0;
    for (int i = 0; i < 3000; ++i) {
        SCOPED_TRACE(i);
        Bytes b = Mutate(seeds[size_t(i) % seeds.size()], rng);
        for (int e = 0, n = int(rng.Below(6)); e < n && b.size() >= 32; ++e) {
            FatMetadata m;
            m.clusterCount = 1000;
            DamageEntry(&b[rng.Below(b.size() / 32) * 32], m, rng);
        }
        for (size_t at = 0; at + 32 <= b.size(); at += 32) {
            const std::span<const uint8_t> bytes(&b[at], 32);
            const CFATDirEntry entry(bytes);
            for (bool noDot : {false, true}) {
                const std::string shortName = entry.GetShortName(noDot);
                for (unsigned char c : shortName) ASSERT_TRUE(c >= 0x20 && c < 0x7F && c != '/' && c != '\\') << int(c);
            }
            std::string piece;
            CFATLongNameEntry::ToMultiByte(bytes, piece);
            ASSERT_LE(piece.size(), 100u);
            // As the walk names an entry it accepts: with the long-name pieces right before it. Labels name the
            // volume, never a file, and entries starting with a dot count as dot entries.
            const FATEntryChecks noChecks{false, false};
            if (!entry.IsValidEntry(false, noChecks) || entry.IsLongNameEntry() || entry.IsVolumeLabel() ||
                b[at] == '.')
                continue;
            size_t from = at;
            while (from >= 32 && b[from - 32 + 11] == fat::kAttrLongName) from -= 32;
            std::unique_ptr<CFATFileProperties> properties = MakeFATFileProperties({&b[from], at + 32 - from});
            if (!properties) continue;
            ++named;
            const std::string name = properties->GetName();
            ASSERT_TRUE(UsableName(name))
                << "\"" << name << "\" " << testing::PrintToString(std::vector<uint8_t>(&b[from], &b[at + 32]));
        }
    }
    EXPECT_GT(named, 15000);
}

TEST(FATFuzz, MutatedTablesKeepTheirChainPromises)
{
    // Small random tables against the rule stated independently.
    Rng rng(0x7AB1E);
    for (int i = 0; i < 20000; ++i) {
        const uint32_t n = 3 + uint32_t(rng.Below(40));
        std::vector<uint32_t> entry(n, 0);
        for (uint32_t k = 2; k < n; ++k) {
            const uint64_t kind = rng.Below(6);
            entry[k] = kind == 0 ? 0 : kind == 1 ? 0xFFFF : kind <= 3 ? uint32_t(rng.Below(n + 2)) : uint32_t(k + 1);
        }
        ASSERT_EQ(CheckFATChains(n, 0xFFF7, [&](uint32_t k) { return entry[k]; }), ChainsSound(entry, 0xFFF7))
            << "case " << i;
    }

    // Real copies, damaged, loaded from bytes: every lookup stays in the table, and a copy that passes its
    // test has no loop, so every chain ends within the entry count.
    struct Seed {
        const char* image;
        unsigned bits;
        Bytes table;
    };
    std::vector<Seed> seeds;
    for (auto [name, bits] : {std::pair{"fat12", 12u}, {"fat16", 16u}, {"fat32", 32u}}) {
        MemoryDevice device(testsupport::LoadFixtureImage(name));
        ASSERT_GT(device.GetSectorCount(), 0u) << name;
        const FatMetadata m = MapMetadata(device, bits == 32);
        ASSERT_FALSE(m.fats.empty());
        seeds.push_back({name, bits,
                         Bytes(device.Bytes().begin() + long(m.fats[0].offset),
                               device.Bytes().begin() + long(m.fats[0].offset + m.fats[0].size))});
    }
    int valid = 0;
    for (int i = 0; i < 900; ++i) {
        const Seed& seed = seeds[size_t(i) % seeds.size()];
        SCOPED_TRACE(std::string(seed.image) + " case " + std::to_string(i));
        Bytes t = seed.table;
        FatMetadata m;
        m.entryBits = seed.bits;
        m.clusterCount = uint32_t(t.size() * 8 / seed.bits);
        for (int e = 0, n = 1 + int(rng.Below(4)); e < n; ++e) {
            const uint32_t index = uint32_t(rng.OneIn(2) ? rng.Below(200) : rng.Below(m.clusterCount));
            SetTableEntry(t.data(), t.size(), seed.bits, index, TableValue(m, index, rng));
        }
        if (rng.OneIn(3)) t = Mutate(t, rng);
        std::unique_ptr<IRealFATTable> table;
        if (seed.bits == 12)
            table = std::make_unique<CFAT12Table>(t, 512);
        else if (seed.bits == 16)
            table = std::make_unique<CFAT16Table>(t, 512);
        else
            table = std::make_unique<CFAT32Table>(t, 512);
        const uint32_t count = table->GetEntryCount();
        for (uint32_t c : {0u, 1u, count - 1, count, count + 1, 0x0FFFFFF7u, 0xFFFFFFFFu})
            (void)table->GetNextCluster(c);
        if (!table->IsValid()) continue;
        ++valid;
        if (seed.bits == 12) continue; // a FAT12 copy is trusted on its signature alone
        for (int k = 0; k < 64; ++k) {
            uint32_t c = uint32_t(2 + rng.Below(count - 2));
            uint32_t steps = 0;
            while (!fat::IsChainEnd(c) && c < count) {
                c = table->GetNextCluster(c);
                ASSERT_LE(++steps, count) << "a chain of a copy that passed loops";
            }
        }
    }
    EXPECT_GT(valid, 300);
}

TEST(FATFuzz, EntriesNamingALongChainFollowItNoFurtherThanTheirSize)
{
    // One contiguous chain over the whole volume, as a large file leaves it, and a damaged root whose 512 entries
    // all name its first cluster with small sizes: each entry must cost what its size needs, not the chain.
    struct ContiguousTable : IFATTable {
        uint32_t last;
        mutable std::atomic<uint64_t> lookups{0};
        explicit ContiguousTable(uint32_t lastCluster) : last(lastCluster) {}
        uint32_t GetNextCluster(uint32_t c) const override
        {
            ++lookups;
            return c >= 2 && c < last ? c + 1 : fat::kEndOfChain;
        }
    };
    Fat16Image image(1, 20000);
    std::vector<uint8_t> root;
    for (int i = 0; i < 512; ++i) {
        char name[9];
        std::snprintf(name, sizeof name, "E%07d", i);
        const auto e = MakeEntry(File(name, "BIN", 2, uint32_t(1 + i * 3)));
        root.insert(root.end(), e.begin(), e.end());
    }
    image.PutRoot(0, root);
    ContiguousTable table(2 + 20000 - 1);
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr tree(QuickBuildTree(context, nullptr, true));
    ASSERT_TRUE(tree);
    int files = 0;
    for (CFileNode* c = tree->GetFirstChild(); c; c = c->GetNextSibling()) {
        std::unique_ptr<IDataRunList> runs(c->GetProperties()->GetDataRunList());
        ASSERT_TRUE(runs);
        ASSERT_EQ(runs->GetRunCount(), 1u);
        EXPECT_EQ(runs->GetRuns().front().firstCluster, 0);
        EXPECT_EQ(runs->GetRuns().front().length, (c->GetProperties()->GetSize() + 511) / 512);
        ++files;
    }
    EXPECT_EQ(files, 512);
    EXPECT_LT(table.lookups.load(), 512u * 8);
}

TEST(FATFuzz, AChainOfTwentyThousandNestedFoldersIsWalkedToItsEnd)
{
    // Each folder's one cluster holds its dots and the next folder: every walk step that looks up the whole
    // ancestry made this quadratic in the depth.
    const uint32_t depth = 20000;
    Fat16Image image(1, depth + 8);
    image.PutRoot(0, MakeEntry(Folder("D", 2)));
    for (uint32_t c = 2; c < 2 + depth; ++c) {
        image.Dots(c, c == 2 ? 0 : c - 1);
        image.PutCluster(c, 64, MakeEntry(c + 1 < 2 + depth ? Folder("D", c + 1) : File("LEAF", "TXT", c + 1, 10)));
    }
    FakeTable table;
    CFATBuildContext context(nullptr, &image.Device(), GeometryOf(image), &table);
    TreePtr tree(QuickBuildTree(context, nullptr, true));
    ASSERT_TRUE(tree);
    uint32_t levels = 0;
    CFileNode* node = tree.get();
    while (node->GetFirstChild()) {
        node = node->GetFirstChild();
        ++levels;
    }
    EXPECT_EQ(levels, depth + 1);
    EXPECT_STREQ(node->GetProperties()->GetName(), "LEAF.TXT");
}

TEST_P(FATFuzzImage, DamagedMetadataThroughTheQuickBuildAndEveryRead)
{
    const ImageCase& image = GetParam();
    const Bytes intact = image.sectorSize == 512 ? testsupport::LoadFixtureImage(image.name) : MakeLargeSectorVolume();
    ASSERT_FALSE(intact.empty());
    MemoryDevice device(intact, image.sectorSize);
    const FatMetadata m = MapMetadata(device, image.fat32);
    ASSERT_GE(m.folders.size(), 3u);
    SettingsGuard settings;
    Reached reached;
    for (int i = 0; i < image.cases && !HasFatalFailure(); ++i)
        RunImageCase(device, intact, m, image, image.seedBase + uint64_t(i), settings, reached);
    // The damage must leave most volumes standing, or the deeper code would never run.
    EXPECT_GT(reached.trees, uint64_t(image.cases) * 6 / 10);
    EXPECT_GT(reached.nested, uint64_t(image.cases) / 3);
    EXPECT_GT(reached.filesRead, uint64_t(image.cases) * 5);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FATFuzzImage,
                         testing::Values(ImageCase{"fat12", false, 300, 12000000},
                                         ImageCase{"fat16", false, 300, 16000000},
                                         ImageCase{"fat32", true, 300, 32000000},
                                         ImageCase{"fat16_4096", false, 300, 46000000, 4096}),
                         [](const auto& info) { return std::string(info.param.name); });
