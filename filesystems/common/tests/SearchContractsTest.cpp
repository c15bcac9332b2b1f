// Found-partition records, scan statistics and the choice of the scanner that builds a partition's tree.
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/CLostPartitionRecord.h"
#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/common/IFileSystemSearchController.h"

#include "filesystems/tree/CFileNode.h"
#include "tests/support/MemoryRSData.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace testsupport;

TEST(SearchedPartitionInfo, SectorSizeAndStartValues)
{
    for (unsigned given : {0u, 100u, 1000u}) EXPECT_EQ(CSearchedPartitionInfo(given).nSectorSize, 512u) << given;
    EXPECT_EQ(CSearchedPartitionInfo(4096).nSectorSize, 4096u);
    EXPECT_EQ(CSearchedPartitionInfo(1024).nSectorSize, 1024u);
    const CSearchedPartitionInfo fresh;
    EXPECT_EQ(fresh.GetKind(), kSearchedPartitionPlain);
    EXPECT_EQ(fresh.nFileSystemKind, kFsKindNone);
    EXPECT_EQ(fresh.u64EvidenceScore, 1u);
    EXPECT_EQ(fresh.dRank, 0.0);
    EXPECT_EQ(fresh.bWholeDisk, 0);
    EXPECT_EQ(fresh.bRecommended, 0);
}

TEST(SearchedPartitionInfo, StreamFormHoldsTwelveFieldsIn73Bytes)
{
    CSearchedPartitionInfo p(4096);
    p.nFileSystemKind = kFsKindFat32;
    p.bySectorsPerCluster = 64;
    p.u64DataAreaStartSector = 0x1122334455;
    p.u64StartSector = 2048;
    p.u64FilesMatch = 17;
    p.u64FoldersMatch = 4;
    p.nId = 9;
    p.u64SectorsCount = 1ull << 33;
    p.u64EvidenceScore = 250;
    p.dRank = 0.75;
    p.bRecommended = 2;
    p.bWholeDisk = 1;

    MemoryRSData out = MemoryRSData::Writer();
    p.Save(&out);
    const auto bytes = out.SectionBytes();
    ASSERT_EQ(bytes.size(), CSearchedPartitionInfo::kStreamSize);
    EXPECT_EQ(bytes[4], 64);                     // sectors per cluster as one byte, right after the kind
    EXPECT_EQ(bytes[37], 9);                     // the id follows the two match counters
    EXPECT_EQ(bytes[69] | bytes[70] << 8, 4096); // sector size last

    MemoryRSData in = MemoryRSData::Reader(bytes);
    CSearchedPartitionInfo q;
    q.bWholeDisk = 1;
    q.Load(&in);
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_EQ(q.nFileSystemKind, p.nFileSystemKind);
    EXPECT_EQ(q.bySectorsPerCluster, p.bySectorsPerCluster);
    EXPECT_EQ(q.u64DataAreaStartSector, p.u64DataAreaStartSector);
    EXPECT_EQ(q.GetStartSector(), 2048u);
    EXPECT_EQ(q.u64FilesMatch, 17u);
    EXPECT_EQ(q.u64FoldersMatch, 4u);
    EXPECT_EQ(q.nId, 9);
    EXPECT_EQ(q.GetTotalSectors(), 1ull << 33);
    EXPECT_EQ(q.u64EvidenceScore, 250u);
    EXPECT_EQ(q.dRank, 0.75);
    EXPECT_EQ(q.bRecommended, 2);
    EXPECT_EQ(q.nSectorSize, 4096u);
    EXPECT_EQ(q.bWholeDisk, 0); // not stored

    MemoryRSData cut = MemoryRSData::Reader({bytes.begin(), bytes.begin() + 40});
    EXPECT_THROW(CSearchedPartitionInfo().Load(&cut), CRSException);
}

TEST(SearchContracts, FreshRecordsAndStatistics)
{
    const CLostPartitionRecord lost;
    EXPECT_EQ(lost.nFileSystemKind, kFsKindNone);
    EXPECT_EQ(lost.szLabel[0], 0);
    EXPECT_EQ(lost.u64StartSector, 0u);
    EXPECT_EQ(lost.u64SectorCount, 0u);
    EXPECT_EQ(lost.pDevice, nullptr);

    CIntelligentSearchStatistics s;
    s.NTFSFileRecords = 5;
    s.TotalFilesFound = 8;
    s.BlockCounters[3] = 2;
    EXPECT_EQ(s.Get(5), 5);
    EXPECT_EQ(s.Get(7), 8);
    EXPECT_EQ(s.Get(11), 2);
    EXPECT_EQ(s.Get(16), 0);
    s.ClearBlockCounters();
    EXPECT_EQ(s.Get(11), 0);
    EXPECT_EQ(s.Get(5), 5);
    EXPECT_STREQ(kIntelligentSearchStatisticsLabels[4], "NTFS Boot Records");
}

namespace {

class FakeController : public IFileSystemSearchController {
public:
    FakeController(int kind, std::vector<int> fsKinds) : m_kind(kind), m_fsKinds(std::move(fsKinds)) {}
    void SetDevice(IStorageDevice*) override {}
    void SetBlockSectors(int) override {}
    void BeginSearch() override {}
    int AnalyzeBlock(uint64_t, uint64_t, CIntelligentSearchStatistics*) override { return 1; }
    void GetSearchedPartitions(CSearchedPartitionList&) override {}
    void SetRawFileList(CRawFileList* hits) override { m_hits = hits; }
    void SaveState(IRSData*) override {}
    void LoadState(IRSData*) override {}
    int GetKind() const override { return m_kind; }
    CFileSystemNode* BuildDirectoryTree(CSearchedPartitionInfo*, IStorageDevice*, int index,
                                        IDIRBuildCallback*) override
    {
        m_builtIndex = index;
        return reinterpret_cast<CFileSystemNode*>(&m_builtIndex);
    }
    bool IsFileSystemSupported(int kind) const override
    {
        return std::find(m_fsKinds.begin(), m_fsKinds.end(), kind) != m_fsKinds.end();
    }

    int m_kind;
    std::vector<int> m_fsKinds;
    CRawFileList* m_hits = nullptr;
    int m_builtIndex = -1;
};

class RawOnly : public FakeController {
public:
    RawOnly() : FakeController(kSearchControllerRAW, {}) {}
    // The base operations: builds no tree, supports no kind.
    CFileSystemNode* BuildDirectoryTree(CSearchedPartitionInfo* p, IStorageDevice* d, int i,
                                        IDIRBuildCallback* c) override
    {
        return IFileSystemSearchController::BuildDirectoryTree(p, d, i, c);
    }
    bool IsFileSystemSupported(int kind) const override
    {
        return IFileSystemSearchController::IsFileSystemSupported(kind);
    }
};

} // namespace

TEST(SearchContracts, DispatchReachesTheFirstScannerOfTheKind)
{
    FakeController fat(kSearchControllerFAT, {kFsKindFat12, kFsKindFat16, kFsKindFat32});
    FakeController ntfs(kSearchControllerNTFS, {kFsKindNtfs});
    FakeController ext2(kSearchControllerEXT2, {kFsKindExt2, kFsKindExt3});
    RawOnly raw;
    const CSearchControllerList list = {&fat, nullptr, &ntfs, &ext2, &raw};

    CSearchedPartitionInfo p;
    p.nFileSystemKind = kFsKindNtfs;
    EXPECT_NE(DispatchBuildDirectory(list, &p, nullptr, 3, nullptr), nullptr);
    EXPECT_EQ(ntfs.m_builtIndex, 3);
    EXPECT_EQ(fat.m_builtIndex, -1);
    p.nFileSystemKind = kFsKindExt3;
    DispatchBuildDirectory(list, &p, nullptr, 1, nullptr);
    EXPECT_EQ(ext2.m_builtIndex, 1);
    p.nFileSystemKind = kFsKindNone;
    EXPECT_EQ(DispatchBuildDirectory(list, &p, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(DispatchBuildDirectory(list, nullptr, nullptr, 0, nullptr), nullptr);
    EXPECT_EQ(DispatchBuildDirectory({&raw}, &p, nullptr, 0, nullptr), nullptr);

    auto* hits = reinterpret_cast<CRawFileList*>(&p);
    SetControllersRawFileList(list, hits);
    EXPECT_EQ(fat.m_hits, hits);
    EXPECT_EQ(raw.m_hits, hits);
}
