// The NTFS scanner fed block by block over mkntfs volumes placed inside larger images: partitions found
// with their geometry and evidence, the standard metafile content, trees built from the scanned records
// when the boot sector and the $MFT start are gone, 4096-byte sectors, read errors and the saved state.
#include "filesystems/ntfs/CNTFSSearchController.h"

#include "NtfsTreeTestSupport.h"
#include "core/CRecoverySettings.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/CNTFSPartitionCandidateMap.h"
#include "filesystems/ntfs/CNTFSScanTreeBuilder.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/ntfs/NtfsFileRecord.h"
#include "filesystems/ntfs/NtfsIndexRecords.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsStandardMetafiles.h"
#include "tests/support/NtfsRecordBuilder.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/MemoryRSData.h"
#include "core/rsdata/CRSException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::MemoryDevice;
using testsupport::MemoryRSData;

struct ScanResult {
    std::vector<std::unique_ptr<CSearchedNTFSPartitionInfo>> partitions;
    CIntelligentSearchStatistics statistics;
};

ScanResult Scan(CNTFSSearchController& scanner, IStorageDevice& device, uint64_t blockSectors)
{
    ScanResult result;
    scanner.SetDevice(&device);
    scanner.SetBlockSectors(int(blockSectors));
    scanner.BeginSearch();
    const uint64_t total = device.GetSectorCount();
    for (uint64_t at = 0; at < total; at += blockSectors)
        EXPECT_EQ(scanner.AnalyzeBlock(at, std::min(blockSectors, total - at), &result.statistics), 1);
    scanner.EndSearch();
    CSearchedPartitionList list;
    scanner.GetSearchedPartitions(list);
    for (CSearchedPartitionInfo* p : list) {
        auto* ntfs = dynamic_cast<CSearchedNTFSPartitionInfo*>(p);
        EXPECT_NE(ntfs, nullptr);
        result.partitions.emplace_back(ntfs);
    }
    return result;
}

const CSearchedNTFSPartitionInfo* FindAt(const ScanResult& r, uint64_t start, uint8_t spc)
{
    for (const auto& p : r.partitions)
        if (p->u64DataAreaStartSector == start && p->bySectorsPerCluster == spc) return p.get();
    return nullptr;
}

// The fixture volume placed at `at` (in device sectors) of a zeroed image with room after it.
std::unique_ptr<MemoryDevice> Embed(const ntfstree::TreeFixture& f, uint64_t at, uint32_t sectorSize,
                                    uint64_t after = 64)
{
    const uint64_t sectors = f.bytes.size() / sectorSize;
    auto device = std::make_unique<MemoryDevice>(at + sectors + after, int32_t(sectorSize));
    device->Write(at * sectorSize, f.bytes.data(), f.bytes.size());
    return device;
}

std::vector<std::string> FilePaths(CFileNode* root)
{
    std::vector<std::string> paths;
    for (const auto& [path, node] : ntfstree::PathsBelow(root))
        if (!node->GetFirstChild()) paths.push_back(path);
    return paths;
}

bool HasPathEndingWith(const std::vector<std::string>& paths, const std::string& tail)
{
    return std::any_of(paths.begin(), paths.end(), [&](const std::string& p) {
        return p.size() >= tail.size() && p.compare(p.size() - tail.size(), tail.size(), tail) == 0;
    });
}

} // namespace

TEST(NtfsStandardMetafiles, EqualWhatMkntfsWrites)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    ASSERT_FALSE(f.bytes.empty());
    for (std::span<const uint8_t> table : {StandardAttrDef(), StandardUpCase()})
        EXPECT_NE(std::search(f.bytes.begin(), f.bytes.end(), table.begin(), table.end()), f.bytes.end());
    EXPECT_EQ(StandardAttrDef().size(), kStandardAttrDefBytes);
    EXPECT_EQ(StandardUpCase().size(), kStandardUpCaseBytes);
    // Units are recognised by themselves, the $UpCase unit by its second byte only.
    for (int n = 0; n < 5; ++n) EXPECT_EQ(MatchStandardAttrDefUnit(StandardAttrDef().subspan(n * 512, 512)), n);
    for (size_t n = 0; n < 256; ++n) EXPECT_TRUE(IsStandardUpCaseUnit(StandardUpCase().subspan(n * 512, 512))) << n;
    std::vector<uint8_t> zero(512, 0);
    EXPECT_FALSE(IsStandardUpCaseUnit(zero));
    EXPECT_EQ(MatchStandardAttrDefUnit(zero), -1);
}

TEST(NtfsSearchController, FindsVolumeAtSector2048WithItsSizeWhateverTheBlockSize)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    ASSERT_FALSE(f.bytes.empty());
    auto device = Embed(f, 2048, 512);
    CNTFSDBR boot;
    ASSERT_TRUE(boot.Attach(std::span<const uint8_t>(f.bytes).first(512)));
    int64_t fileRecords = -1;
    // Odd block sizes put records, index records and boot sectors across block boundaries.
    for (uint64_t block : {4096u, 1000u, 7u}) {
        SCOPED_TRACE(block);
        CNTFSSearchController scanner;
        const ScanResult r = Scan(scanner, *device, block);
        const CSearchedNTFSPartitionInfo* p = FindAt(r, 2048, 8);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->u64StartSector, 2048u);
        EXPECT_EQ(p->u64SectorsCount, boot.GetTotalSectors() / 8 * 8);
        EXPECT_TRUE(p->nFlags & kNtfsEvidenceFirstBootRecord);
        EXPECT_TRUE(p->nFlags & kNtfsEvidenceLastBootRecord);
        EXPECT_TRUE(p->nFlags & (kNtfsEvidenceMftPair | kNtfsEvidenceSingleMft));
        EXPECT_EQ(p->u64AttrDefMatch, 5u);
        EXPECT_EQ(p->u64UpcaseMatch, 256u);
        EXPECT_NE(p->u64MftSector, CSearchedNTFSPartitionInfo::kUnknown);
        EXPECT_GE(p->u64EvidenceScore, 50u);
        EXPECT_EQ(r.statistics.NTFSBootRecords, 2); // the boot sector and its backup
        EXPECT_GT(r.statistics.NTFSFileRecords, 40);
        // Files only: no folder, metafile, extension or never-used record.
        EXPECT_GT(r.statistics.TotalFilesFound, 0);
        EXPECT_LT(r.statistics.TotalFilesFound, r.statistics.NTFSFileRecords - 16);
        if (fileRecords < 0) fileRecords = r.statistics.NTFSFileRecords;
        EXPECT_EQ(r.statistics.NTFSFileRecords, fileRecords);
        // The backup boot sector starts no partition of its own.
        for (const auto& q : r.partitions) EXPECT_NE(q->u64DataAreaStartSector, 2048 + boot.GetTotalSectors());
        // The best candidate is the real one.
        const auto best = std::max_element(r.partitions.begin(), r.partitions.end(), [](const auto& a, const auto& b) {
            return a->u64EvidenceScore < b->u64EvidenceScore;
        });
        EXPECT_EQ((*best)->u64DataAreaStartSector, 2048u);
    }
}

TEST(NtfsSearchController, BootRecordsOffAreNeitherAnalysedNorCounted)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    auto device = Embed(f, 2048, 512);
    CRecoverySettings* settings = GetRecoverySettings();
    const int saved = settings->m_useBootRecords;
    settings->m_useBootRecords = 0;
    CNTFSSearchController scanner;
    const ScanResult r = Scan(scanner, *device, 4096);
    settings->m_useBootRecords = saved;
    EXPECT_EQ(r.statistics.NTFSBootRecords, 0);
    for (const auto& p : r.partitions)
        EXPECT_FALSE(p->nFlags & (kNtfsEvidenceFirstBootRecord | kNtfsEvidenceLastBootRecord));
    // The metafiles still place the volume.
    EXPECT_NE(FindAt(r, 2048, 8), nullptr);
}

TEST(NtfsSearchController, BuildsTreeFromScannedRecords)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    auto device = Embed(f, 2048, 512);
    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, *device, 4096);
    CSearchedNTFSPartitionInfo* p = const_cast<CSearchedNTFSPartitionInfo*>(FindAt(r, 2048, 8));
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(scanner.IsFileSystemSupported(3));
    EXPECT_FALSE(scanner.IsFileSystemSupported(2));
    ntfstree::CancellingCallback callback;
    CFileSystemNode* root = scanner.BuildDirectoryTree(p, device.get(), 0, &callback);
    ASSERT_NE(root, nullptr);
    const auto paths = ntfstree::PathsBelow(root);
    for (const ntfstree::ManifestRow& row : f.rows) {
        if (row.deleted) continue;
        EXPECT_TRUE(paths.count(row.treePath)) << row.treePath;
    }
    EXPECT_EQ(callback.titles.front(), "NTFS:Reading files");
    DeleteFoundTree(root);
}

// The build from scanned records keeps what it built when the user cancels midway: its result, not the tree,
// tells such a partial tree from a whole one, and from one that lacks the records of failed reads.
TEST(NtfsSearchController, TheScanTreeResultTellsCancelFailureAndPartialTreeApart)
{
    using bytes::ParseStatus;
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    auto device = Embed(f, 2048, 512);
    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, *device, 4096);
    CSearchedNTFSPartitionInfo* p = const_cast<CSearchedNTFSPartitionInfo*>(FindAt(r, 2048, 8));
    ASSERT_NE(p, nullptr);
    const CNTFSScanFindings& findings = scanner.GetFindings();

    CNTFSScanTreeBuilder builder;
    ntfstree::CancellingCallback counting;
    CFileSystemNode* whole = builder.Build(findings, p, nullptr, device.get(), 0, &counting);
    ASSERT_NE(whole, nullptr);
    DeleteFoundTree(whole);
    EXPECT_EQ(builder.GetResult().status, ParseStatus::Ok);
    EXPECT_GT(builder.GetResult().counters.recordsRead, 0u);

    // A cancel at any call: always told, with or without what was built by then.
    const uint64_t calls = counting.Calls();
    ASSERT_GT(calls, 4u);
    int partial = 0;
    for (uint64_t at = 1; at <= calls; at += std::max<uint64_t>(1, calls / 64)) {
        SCOPED_TRACE(at);
        ntfstree::CancellingCallback cancelling(at);
        CFileSystemNode* tree = builder.Build(findings, p, nullptr, device.get(), 0, &cancelling);
        EXPECT_EQ(builder.GetResult().status, ParseStatus::Cancelled);
        partial += tree != nullptr;
        DeleteFoundTree(tree);
    }
    EXPECT_GT(partial, 0);

    // Sectors around the found records that cannot be read: a tree without their records.
    CNTFSDBR boot;
    ASSERT_TRUE(boot.Attach(std::span<const uint8_t>(f.bytes).first(512)));
    device->FailSectors(2048 + boot.GetMftCluster() * 8 + 64, 8);
    CFileSystemNode* lacking = builder.Build(findings, p, nullptr, device.get(), 0, nullptr);
    EXPECT_NE(lacking, nullptr);
    EXPECT_EQ(builder.GetResult().status, ParseStatus::IoFailure);
    DeleteFoundTree(lacking);

    EXPECT_EQ(builder.Build(findings, p, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(builder.GetResult().status, ParseStatus::IoFailure);
    CSearchedPartitionInfo notNtfs(512);
    EXPECT_EQ(builder.Build(findings, &notNtfs, nullptr, device.get(), 0, nullptr), nullptr);
    EXPECT_EQ(builder.GetResult().status, ParseStatus::Corrupt);
}

TEST(NtfsSearchController, BootSectorAndMftStartDamagedStillGiveNamedFiles)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    auto device = Embed(f, 2048, 512);
    CNTFSDBR boot;
    ASSERT_TRUE(boot.Attach(std::span<const uint8_t>(f.bytes).first(512)));
    // The boot sector and the first 16 records of the $MFT are gone.
    std::vector<uint8_t> zeros(512 * 32, 0);
    device->Write(2048 * 512, zeros.data(), 512);
    device->Write((2048 + boot.GetMftCluster() * 8) * 512, zeros.data(), zeros.size());

    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, *device, 1000);
    auto* p = const_cast<CSearchedNTFSPartitionInfo*>(FindAt(r, 2048, 8));
    ASSERT_NE(p, nullptr);
    EXPECT_FALSE(p->nFlags & kNtfsEvidenceFirstBootRecord);
    CFileSystemNode* root = scanner.BuildDirectoryTree(p, device.get(), 0, nullptr);
    ASSERT_NE(root, nullptr);
    const auto files = FilePaths(root);
    for (const char* tail : {"/notes/one.txt", "/src/main.c", "/deepest/leaf.txt", "/Docs/readme.txt"})
        EXPECT_TRUE(HasPathEndingWith(files, tail)) << tail;
    DeleteFoundTree(root);
}

TEST(NtfsSearchController, FindsVolumeOn4096ByteSectors)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_4kn");
    ASSERT_FALSE(f.bytes.empty());
    ASSERT_EQ(f.bytesPerSector, 4096u);
    auto device = Embed(f, 256, 4096, 16);
    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, *device, 333);
    const uint8_t spc = uint8_t(f.bytesPerCluster / 4096);
    auto* p = const_cast<CSearchedNTFSPartitionInfo*>(FindAt(r, 256, spc));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->nSectorSize, 4096u);
    EXPECT_TRUE(p->nFlags & kNtfsEvidenceFirstBootRecord);
    // The $MFT lies 4 clusters (16 KiB) into the volume: far enough, though fewer than 8 sectors.
    EXPECT_TRUE(p->nFlags & (kNtfsEvidenceMftPair | kNtfsEvidenceSingleMft));
    EXPECT_NE(p->u64MftSector, CSearchedNTFSPartitionInfo::kUnknown);
    // Matches count 512-byte units whatever the sector size; $AttrDef is resident in a 4096-byte record.
    EXPECT_EQ(p->u64UpcaseMatch, 256u);
    EXPECT_EQ(p->u64AttrDefMatch, 0u);
    CFileSystemNode* root = scanner.BuildDirectoryTree(p, device.get(), 0, nullptr);
    ASSERT_NE(root, nullptr);
    const auto paths = ntfstree::PathsBelow(root);
    for (const ntfstree::ManifestRow& row : f.rows)
        if (!row.deleted) {
            EXPECT_TRUE(paths.count(row.treePath)) << row.treePath;
        }
    DeleteFoundTree(root);
}

TEST(NtfsSearchController, UnreadableSectorsAreZerosAndTheRestIsScanned)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    auto device = Embed(f, 2048, 512);
    device->FailSector(2048 + 100);
    device->FailSector(2048 + 101);
    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, *device, 4096);
    EXPECT_EQ(scanner.GetUnreadSectors(), 2u);
    EXPECT_NE(FindAt(r, 2048, 8), nullptr);
}

TEST(NtfsSearchController, SavedStateGivesTheSameTree)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    auto device = Embed(f, 2048, 512);
    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, *device, 4096);
    auto* p = const_cast<CSearchedNTFSPartitionInfo*>(FindAt(r, 2048, 8));
    ASSERT_NE(p, nullptr);

    MemoryRSData out = MemoryRSData::Writer();
    scanner.SaveState(&out);
    MemoryRSData in = MemoryRSData::Reader(out.SectionBytes());
    CNTFSSearchController loaded;
    loaded.SetDevice(device.get());
    loaded.LoadState(&in);
    EXPECT_EQ(in.Remaining(), 0u);
    ASSERT_EQ(loaded.GetFindings().mftCandidates.size(), scanner.GetFindings().mftCandidates.size());
    ASSERT_EQ(loaded.GetFindings().recordRuns.size(), scanner.GetFindings().recordRuns.size());

    CFileSystemNode* a = scanner.BuildDirectoryTree(p, device.get(), 0, nullptr);
    CFileSystemNode* b = loaded.BuildDirectoryTree(p, device.get(), 0, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    std::vector<std::string> pa, pb;
    for (const auto& [path, node] : ntfstree::PathsBelow(a)) pa.push_back(path);
    for (const auto& [path, node] : ntfstree::PathsBelow(b)) pb.push_back(path);
    EXPECT_EQ(pa, pb);
    DeleteFoundTree(a);
    DeleteFoundTree(b);

    // A damaged count is refused before anything is allocated.
    MemoryRSData bad = MemoryRSData::Writer();
    RSWriteValue<uint64_t>(&bad, ~uint64_t(0));
    MemoryRSData badIn = MemoryRSData::Reader(bad.SectionBytes());
    CNTFSSearchController refused;
    EXPECT_THROW(refused.LoadState(&badIn), CRSException);
}

TEST(NtfsSearchController, EvidenceScore)
{
    struct Case {
        uint32_t flags;
        uint64_t upcase, logfile, attrdef, score;
    };
    constexpr uint64_t kNone = CSearchedNTFSPartitionInfo::kUnknown;
    const Case cases[] = {
        {0x1 | 0x2, 256, kNone, 5, 40},  {0x4, 0, 0, 0, 30},
        {0x20 | 0x100, 255, 9999, 4, 0}, {0x1 | 0x2 | 0x4 | 0x8 | 0x10 | 0x40 | 0x80, 512, 20000, 5, 120},
        {0x8, kNone, kNone, kNone, 10},
    };
    for (const Case& c : cases) {
        CSearchedNTFSPartitionInfo p;
        p.nFlags = c.flags;
        p.u64UpcaseMatch = c.upcase;
        p.u64LogFileMatch = c.logfile;
        p.u64AttrDefMatch = c.attrdef;
        EXPECT_EQ(CNTFSSearchController::EvidenceScore(p), c.score) << std::hex << c.flags;
    }
}

TEST(NtfsPartitionCandidates, BuildFromRecordBounds)
{
    CNTFSPartitionCandidateMap map;
    map.SetDevice(100000, 512);
    struct Case {
        uint64_t sector;
        int64_t cluster;
        uint8_t spc;
        bool made;
        uint64_t start;
    };
    const Case cases[] = {
        {1000, 10, 8, true, 920}, {1000, 124, 8, true, 8}, {1000, 125, 8, true, 0},
        {1000, 126, 8, false, 0}, {1000, 0, 8, false, 0},  {1007, 999, 1, true, 8},
        {1000, 1, 0, false, 0},   {1000, -1, 8, false, 0}, {7, 0, 1, false, 0},
    };
    for (const Case& c : cases) {
        auto p = map.BuildFromRecord(c.sector, c.cluster, c.spc, 0x8);
        ASSERT_EQ(p != nullptr, c.made) << c.sector << " " << c.cluster;
        if (!p) continue;
        EXPECT_EQ(p->u64DataAreaStartSector, c.start);
        EXPECT_EQ(p->u64TotalClusters, (100000 - c.start) / c.spc);
        EXPECT_EQ(p->u64SectorsCount, p->u64TotalClusters * c.spc);
    }
}

TEST(NtfsPartitionCandidates, MergeClearsAndDeletesUnsupported)
{
    CNTFSPartitionCandidateMap map;
    map.SetDevice(100000, 512);
    map.Insert(map.BuildFromRecord(1000, 10, 8, kNtfsEvidenceLastBootRecord));
    map.Insert(map.BuildFromRecord(1000, 10, 8, kNtfsEvidenceLastBootRecord | kNtfsEvidenceSingleMft));
    auto probe = map.BuildFromRecord(1000, 10, 8, 0);
    EXPECT_TRUE(map.Merge(*probe, 0, kNtfsEvidenceLastBootRecord));
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.Candidates().begin()->second->nFlags, kNtfsEvidenceSingleMft);
    auto other = map.BuildFromRecord(1000, 10, 4, 0);
    EXPECT_FALSE(map.Merge(*other, 0x20, 0));

    // With 4096-byte sectors evidence 4 KiB past the start (one sector) is enough.
    CNTFSPartitionCandidateMap big;
    big.SetDevice(1000, 4096);
    ASSERT_NE(big.BuildFromRecord(260, 4, 1, 0x8), nullptr);
    EXPECT_EQ(big.BuildFromRecord(260, 4, 1, 0x8)->u64DataAreaStartSector, 256u);
    EXPECT_NE(big.BuildFromRecord(260, 260, 1, 0x8), nullptr);
    EXPECT_EQ(big.BuildFromRecord(0, 0, 1, 0x8), nullptr);
}

namespace {

// A log page of 4096 bytes: magic, update-sequence offset, count 9 and number, the number at every unit's end.
std::vector<uint8_t> LogPage(const char* magic, uint16_t usaOffset, uint16_t usn)
{
    std::vector<uint8_t> page(4096, 0);
    std::memcpy(page.data(), magic, 4);
    testsupport::PutLe(page, 4, usaOffset, 2);
    testsupport::PutLe(page, 6, 9, 2);
    testsupport::PutLe(page, usaOffset, usn, 2);
    for (size_t unit = 1; unit <= 8; ++unit) testsupport::PutLe(page, unit * 512 - 2, usn, 2);
    return page;
}

std::vector<uint8_t> RestartPage()
{
    std::vector<uint8_t> page = LogPage("RSTR", 0x1E, 0x0007);
    const char16_t name[] = u"NTFS";
    for (size_t i = 0; i < 4; ++i) testsupport::PutLe(page, 0x90 + 2 * i, name[i], 2);
    return page;
}

} // namespace

TEST(NtfsSearchController, RestartAndRecordPagesOfTheLogPlaceTheVolume)
{
    const auto& f = ntfstree::LoadTreeFixture("ntfs_tree_c4k");
    auto device = Embed(f, 2048, 512);
    CNTFSDBR boot;
    ASSERT_TRUE(boot.Attach(std::span<const uint8_t>(f.bytes).first(512)));
    // The $LogFile record is record 2 of the $MFT; its data's first cluster is where the log starts.
    std::vector<uint8_t> record(f.bytes.begin() + (boot.GetMftCluster() * 8 + 4) * 512,
                                f.bytes.begin() + (boot.GetMftCluster() * 8 + 6) * 512);
    ASSERT_TRUE(ApplyFixups(record));
    CNTFSRunList runs;
    ASSERT_TRUE(CollectDataRuns(record, runs, true, nullptr));
    const uint64_t logSector = 2048 + uint64_t(runs.VcnToLcn(0)) * 8;
    const auto restart = RestartPage();
    ASSERT_TRUE(CNTFSLogFileAnalyser::IsRestartPage(restart));
    device->Write(logSector * 512, restart.data(), restart.size());
    device->Write((logSector + 8) * 512, restart.data(), restart.size());
    // Three record pages; the last is cut by a block boundary when blocks are 7 sectors.
    const auto rcrd = LogPage("RCRD", 40, 0x0003);
    ASSERT_TRUE(NtfsIsValidRcrdPage(rcrd));
    for (uint64_t k = 2; k < 5; ++k) device->Write((logSector + 8 * k) * 512, rcrd.data(), rcrd.size());

    for (uint64_t block : {4096u, 7u}) {
        CNTFSSearchController scanner;
        ScanResult r = Scan(scanner, *device, block);
        const CSearchedNTFSPartitionInfo* p = FindAt(r, 2048, 8);
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(p->nFlags & kNtfsEvidenceFirstRestartPage) << std::hex << p->nFlags;
        EXPECT_TRUE(p->nFlags & kNtfsEvidenceSecondRestartPage) << std::hex << p->nFlags;
        EXPECT_EQ(p->u64LogFileMatch, 24u);
        EXPECT_NE(p->u64LogFileSector, CSearchedNTFSPartitionInfo::kUnknown);
        // The second page read as a first one places no partition of its own.
        EXPECT_EQ(FindAt(r, 2048 + 8, 8), nullptr);
    }
}

TEST(NtfsSearchController, BootSectorsAsFirstAndBackupCopies)
{
    // A volume of 4000 sectors at 2048 with its backup at 2048 + 4000; the backup is met last.
    MemoryDevice device(8192, 512);
    const auto boot = testsupport::MakeNtfsBootSector(512, 8, -10, 4000);
    device.Write(2048 * 512, boot.data(), boot.size());
    device.Write((2048 + 4000) * 512, boot.data(), boot.size());
    // A boot sector 4 sectors before the end makes no partition of its own.
    device.Write((8192 - 4) * 512, boot.data(), boot.size());
    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, device, 1000);
    const CSearchedNTFSPartitionInfo* p = FindAt(r, 2048, 8);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->nFlags, kNtfsEvidenceFirstBootRecord | kNtfsEvidenceLastBootRecord);
    EXPECT_EQ(p->u64SectorsCount, 4000u);
    EXPECT_EQ(p->u64SerialNumber, 0x1122334455667788ull);
    EXPECT_EQ(p->u64EvidenceScore, 20u);
    EXPECT_EQ(FindAt(r, 2048 + 4000, 8), nullptr);
    EXPECT_EQ(FindAt(r, 8192 - 4, 8), nullptr);
}

TEST(NtfsSearchController, ManyWeakCandidatesBeyondTheFirstThousandAreDropped)
{
    // 1001 boot sectors, each read as the first sector of a volume reaching past the device: score 10 each.
    MemoryDevice device(4096, 512);
    const auto boot = testsupport::MakeNtfsBootSector(512, 1, -10, 1000000);
    for (uint64_t s = 0; s < 1001; ++s) device.Write(s * 512, boot.data(), boot.size());
    CNTFSSearchController scanner;
    ScanResult r = Scan(scanner, device, 4096);
    ASSERT_EQ(r.partitions.size(), 1000u);
    EXPECT_EQ(r.partitions.back()->u64DataAreaStartSector, 999u);
}
