// The FAT scanner: the directory-sector test, boot sectors and their FAT32 backups, FAT copies, directory
// candidates (past 2 TiB too), evidence scores, the block read, and the saved directory-sector set.
#include "filesystems/fat/CFATSearchController.h"

#include "core/CRecoverySettings.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/fat/CFATDirSectorInfo.h"
#include "filesystems/fat/tests/FATImageBuilder.h"
#include "filesystems/fat/tests/FATTestBytes.h"
#include "filesystems/tree/FileSystemKind.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <memory>

using namespace fattest;
using testsupport::MemoryDevice;
using testsupport::MemoryRSData;

namespace {

std::vector<uint8_t> Sector(std::initializer_list<std::vector<uint8_t>> entries)
{
    std::vector<uint8_t> s;
    for (const auto& e : entries) s.insert(s.end(), e.begin(), e.end());
    s.resize(512, 0);
    return s;
}

std::vector<uint8_t> Dot(uint32_t cluster)
{
    return MakeEntry(File(".", "", cluster, 0, 0x10));
}
std::vector<uint8_t> DotDot(uint32_t cluster)
{
    return MakeEntry(File("..", "", cluster, 0, 0x10));
}

// A device of any size whose sectors are never read (the scanner is fed sectors directly).
class SizedDevice : public IStorageDevice {
public:
    explicit SizedDevice(uint64_t sectors) : m_sectors(sectors) {}
    bool ReadSectors(void*, uint64_t, uint64_t) override { return false; }
    uint64_t GetSectorCount() override { return m_sectors; }
    int32_t GetSectorSize() override { return 512; }
    bool Open() override { return true; }
    bool Close() override { return true; }

private:
    uint64_t m_sectors;
};

struct Owned {
    CSearchedPartitionList list;
    ~Owned()
    {
        for (auto* p : list) delete p;
    }
    CFATSearchedPartitionInfo* At(size_t i)
    {
        auto it = list.begin();
        std::advance(it, i);
        return static_cast<CFATSearchedPartitionInfo*>(*it);
    }
};

std::vector<uint8_t> Fat32Table()
{
    std::vector<uint8_t> s(512, 0);
    Put32(&s[0], 0x0FFFFFF8);
    Put32(&s[4], 0x0FFFFFFF);
    Put32(&s[8], 0x0FFFFFFF);
    return s;
}

} // namespace

TEST(FATDirSectorInfo, Kinds)
{
    const FATEntryChecks checks;
    const auto a = MakeEntry(File("A", "TXT", 5, 100));
    const auto b = MakeEntry(File("B", "TXT", 6, 100));
    const auto empty0 = MakeEntry(File("E0", "TXT", 0, 0));
    const auto empty1 = MakeEntry(File("E1", "TXT", 0, 0));
    auto garbage = a;
    garbage[11] = 0x40; // reserved attribute bit: not an entry
    struct Case {
        const char* name;
        std::vector<uint8_t> sector;
        int kind;
        uint32_t count;
    } cases[] = {
        {"dot pair then files", Sector({Dot(7), DotDot(0), a, b}), CFATDirSectorInfo::kFirst, 2},
        {"files only", Sector({a, b}), CFATDirSectorInfo::kPart, 2},
        {"first entry invalid", Sector({garbage, a, b}), CFATDirSectorInfo::kNone, 0},
        {"garbage after files", Sector({a, b, garbage}), CFATDirSectorInfo::kNone, 0},
        {"two empty files in a row", Sector({empty0, empty1}), CFATDirSectorInfo::kNone, 0},
        {"two empty files after the pair", Sector({Dot(7), DotDot(0), empty0, empty1}), CFATDirSectorInfo::kFirst, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFATDirSectorInfo info;
        EXPECT_EQ(info.Analyse(c.sector, checks), c.kind != CFATDirSectorInfo::kNone);
        EXPECT_EQ(info.kind, c.kind);
        EXPECT_EQ(info.entryCount, c.count);
        if (c.kind == CFATDirSectorInfo::kFirst) {
            EXPECT_EQ(info.dotCluster, 7u);
        }
    }
}

TEST(FATSearchController, Fat32BootSectorAndBackupMakeOneCandidateConfirmedByItsFATs)
{
    BootParams p;
    p.type = 2;
    p.reserved = 32;
    p.totalSectors = 140000;
    p.sectorsPerFAT = 1100;
    const uint64_t s = 100;
    MemoryDevice device(s + 150000);
    const auto boot = MakeBootSector(p);
    device.Write(s * 512, boot.data(), 512);
    device.Write((s + 6) * 512, boot.data(), 512);
    device.Write((s + 32) * 512, Fat32Table().data(), 512);
    device.Write((s + 32 + 1100) * 512, Fat32Table().data(), 512);

    CFATSearchController scan;
    scan.SetDevice(&device);
    scan.BeginSearch();
    CIntelligentSearchStatistics statistics;
    device.ResetCounters();
    scan.AnalyzeBlock(0, device.GetSectorCount(), &statistics);
    EXPECT_EQ(device.ReadCount(), (device.GetSectorCount() + 8191) / 8192); // the block, not sector by sector
    EXPECT_EQ(statistics.FATBootRecords, 2);

    Owned found;
    scan.GetSearchedPartitions(found.list);
    ASSERT_EQ(found.list.size(), 1u); // the extra candidates at s - 6 and s + 6 saw no FAT and are dropped
    CFATSearchedPartitionInfo* info = found.At(0);
    EXPECT_EQ(info->u64StartSector, s);
    EXPECT_EQ(info->u64DataAreaStartSector, s + 32 + 2 * 1100);
    EXPECT_EQ(info->GetFlags() & 0x1FF, 0x04u | 0x08u | 0x40u | 0x80u | 0x100u);
    EXPECT_EQ(info->u64EvidenceScore, 100u);
    EXPECT_EQ(info->nFileSystemKind, kFsKindFat32);
}

// A FAT12 floppy (media 0xF0) whose files all lie in the root has no folder to confirm it: its FAT copies do,
// when they carry the boot sector's media descriptor.
TEST(FATSearchController, Fat12CopiesWithTheBootSectorsMediaByteConfirmIt)
{
    BootParams p; // a 1.44 MB floppy: one reserved sector, two copies of 9 sectors
    auto boot = MakeBootSector(p);
    boot[0x15] = 0xF0;
    struct Case {
        uint8_t tableMedia;
        size_t found;
    } cases[] = {{0xF0, 1}, {0xF8, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.tableMedia));
        MemoryDevice device(2880);
        device.Write(0, boot.data(), 512);
        const uint8_t table[4] = {c.tableMedia, 0xFF, 0xFF, 0x00};
        device.Write(1 * 512, table, sizeof table);
        device.Write(10 * 512, table, sizeof table);
        CFATSearchController scan;
        scan.SetDevice(&device);
        scan.BeginSearch();
        scan.AnalyzeBlock(0, device.GetSectorCount(), nullptr);
        Owned found;
        scan.GetSearchedPartitions(found.list);
        ASSERT_EQ(found.list.size(), c.found);
        if (c.found == 0) continue;
        EXPECT_EQ(found.At(0)->nFileSystemKind, kFsKindFat12);
        EXPECT_EQ(found.At(0)->GetFlags() & 0x141, 0x01u | 0x40u | 0x100u);
        EXPECT_EQ(found.At(0)->u64EvidenceScore, 100u);
    }
}

TEST(FATSearchController, BootSectorsAreIgnoredWhenTheOptionIsOffAndUnconfirmedOnesAreDropped)
{
    BootParams p;
    p.type = 2;
    p.reserved = 32;
    p.totalSectors = 140000;
    p.sectorsPerFAT = 1100;
    const auto boot = MakeBootSector(p);
    for (bool useBoot : {false, true}) {
        SCOPED_TRACE(useBoot);
        MemoryDevice device(150000);
        device.Write(3 * 512, boot.data(), 512); // at sector 3: no backup candidate can come from it
        CRecoverySettings& options = *GetRecoverySettings();
        const int saved = options.m_useBootRecords;
        options.m_useBootRecords = useBoot;
        CFATSearchController scan;
        scan.SetDevice(&device);
        scan.BeginSearch();
        options.m_useBootRecords = saved;
        CIntelligentSearchStatistics statistics;
        scan.AnalyzeBlock(0, device.GetSectorCount(), &statistics);
        EXPECT_EQ(statistics.FATBootRecords, useBoot ? 1 : 0);
        EXPECT_EQ(scan.GetCandidateCount(), useBoot ? 1u : 0u);
        Owned found;
        scan.GetSearchedPartitions(found.list);
        EXPECT_TRUE(found.list.empty()); // no FAT copy, no folder
    }
}

TEST(FATSearchController, EvidenceScores)
{
    struct Case {
        int type;
        uint32_t flags;
        uint64_t score;
    } cases[] = {
        {kFsKindFat32, 0x04 | 0x08 | 0x40 | 0x100, 100},
        {kFsKindFat32, 0x04 | 0x40, 90},
        {kFsKindFat16, 0x02 | 0x40, 95},
        {kFsKindFat12, 0x01, 60},
        {kFsKindFat32, 0x10, 20},
    };
    for (const Case& c : cases) {
        CFATSearchedPartitionInfo info;
        info.nFileSystemKind = c.type;
        info.AddFlags(c.flags);
        EXPECT_EQ(CFATSearchController::EvidenceScore(info), c.score) << std::hex << c.flags;
    }
}

TEST(FATSearchController, DirectoryCandidatesPast2TiBKeep64BitSizes)
{
    SizedDevice device(10737418240ull); // 5 TiB of 512-byte sectors
    CFATSearchController scan;
    scan.SetDevice(&device);
    scan.BeginSearch();
    const uint64_t d = 100000000;
    CIntelligentSearchStatistics statistics;
    scan.AnalyzeSector(Sector({Dot(2), DotDot(0), MakeEntry(File("A", "TXT", 9, 10))}), d, &statistics);
    EXPECT_EQ(statistics.FATFolders, 1);
    EXPECT_GE(scan.GetCandidateCount(), 2u); // one per cluster size that gives a FAT32 layout
    // A second folder 128 sectors on, "." cluster 3: only the 128-sector-cluster candidate explains both.
    scan.AnalyzeSector(Sector({Dot(3), DotDot(0), MakeEntry(File("B", "TXT", 10, 10))}), d + 128, &statistics);

    Owned found;
    scan.GetSearchedPartitions(found.list);
    ASSERT_EQ(found.list.size(), 1u);
    CFATSearchedPartitionInfo* info = found.At(0);
    EXPECT_EQ(info->bySectorsPerCluster, 128);
    EXPECT_EQ(info->u64DataAreaStartSector, d);
    EXPECT_EQ(info->u64FoldersMatch, 1u);
    EXPECT_EQ(info->u64EvidenceScore, 20u);
    EXPECT_GT(info->u64SectorsCount, 0xFFFFFFFFull);
    EXPECT_LE(info->u64StartSector + info->u64SectorsCount, device.GetSectorCount());
    EXPECT_EQ(info->u64StartSector + info->u64SectorsCount + 127 >= device.GetSectorCount(), true);
}

TEST(FATSearchController, AnUnreadableSectorHidesOnlyItself)
{
    Fat16Image image;
    image.Dots(5, 0);
    image.PutCluster(5, 64, MakeEntry(File("NOTE", "TXT", 9, 10)));
    image.Dots(6, 5);
    MemoryDevice& device = image.Device();
    const uint64_t dir5 = image.DataStart() + 3 * image.SectorsPerCluster();
    device.FailSector(dir5 + image.SectorsPerCluster() - 1); // the last sector of cluster 5's run
    CFATSearchController scan;
    scan.SetDevice(&device);
    scan.BeginSearch();
    CIntelligentSearchStatistics statistics;
    scan.AnalyzeBlock(0, device.GetSectorCount(), &statistics);
    EXPECT_EQ(statistics.FATFolders, 2);
    ASSERT_EQ(scan.GetDirSectors().size(), 2u);
    EXPECT_EQ(scan.GetDirSectors()[0], (FATDirSectorRecord{dir5, 5, 0}));

    // The set survives a save and a load into a new scanner; candidates are not part of it.
    MemoryRSData out = MemoryRSData::Writer();
    scan.SaveState(&out);
    EXPECT_EQ(out.SectionBytes().size(), 4u + 2 * 16u);
    MemoryRSData in = MemoryRSData::Reader(out.SectionBytes());
    CFATSearchController restored;
    restored.LoadState(&in);
    EXPECT_EQ(restored.GetDirSectors(), scan.GetDirSectors());
    EXPECT_EQ(restored.GetCandidateCount(), 0u);
}
