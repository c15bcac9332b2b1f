// A real scan saved and restored: the FAT, NTFS and RAW scanners run over fixture volumes, their found
// partitions and states are written to a state file, read back, compared field by field and written again
// byte for byte, and the restored scanners build the same trees as the scanners that scanned.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/devices/CImageFileDevice.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/IDIRBuildCallback.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/CRawFileList.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "raw/CRAWSearchController.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/RSScanSections.h"
#include "storage/recoverystate/tests/RSStreamFixture.h"
#include "tests/support/TempDir.h"

using namespace rstest;

namespace {

class QuietBuild : public IDIRBuildCallback {
public:
    int Begin(const char*, int) override { return 0; }
    int Step(int) override { return 0; }
    int SetPos(int) override { return 0; }
    int Finish() override { return 0; }
    int CheckCancel() override { return 0; }
};

// The fixture volume decompressed into the folder; empty when xz or the fixture is missing.
std::string Fixture(const testsupport::TempDir& dir, const std::string& name)
{
    const std::string out = (dir / (name + ".img")).string();
    const std::string cmd =
        "xz -dc '" SALVIX_SOURCE_DIR "/tests/fixtures/" + name + ".img.xz' > '" + out + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 ? out : std::string();
}

void Scan(const CSearchControllerList& controllers, IStorageDevice& device, CRawFileList& hits,
          CSearchedPartitionList& found)
{
    constexpr uint64_t kBlock = 8192;
    CIntelligentSearchStatistics statistics;
    for (IFileSystemSearchController* c : controllers) {
        c->SetRawFileList(&hits);
        c->SetDevice(&device);
        c->SetBlockSectors(int(kBlock));
        c->BeginSearch();
    }
    const uint64_t sectors = device.GetSectorCount();
    for (uint64_t first = 0; first < sectors; first += kBlock)
        for (IFileSystemSearchController* c : controllers)
            c->AnalyzeBlock(first, std::min(kBlock, sectors - first), &statistics);
    for (IFileSystemSearchController* c : controllers) {
        c->EndSearch();
        c->GetSearchedPartitions(found);
    }
}

// Files and folders of a tree, as "path size" lines in walk order.
void Describe(const CFileNode* node, const std::string& at, std::vector<std::string>& out)
{
    for (const CFileNode* child = node->GetFirstChild(); child; child = child->GetNextSibling()) {
        const IFileProperties* p = child->GetProperties();
        std::string name = p ? p->GetName() : "?";
        // Lost folders are numbered by a counter that goes on from build to build.
        if (name.rfind("DIR", 0) == 0 && name.find_first_not_of("0123456789", 3) == std::string::npos) name = "DIR#";
        const std::string path = at + "/" + name;
        out.push_back(path + " " + std::to_string(p ? p->GetSize() : 0));
        Describe(child, path, out);
    }
}

std::vector<uint8_t> SectionBytes(const std::string& path, const RSGuid& guid)
{
    CRSDataEx r(CRSData::kModeRead);
    std::vector<uint8_t> bytes;
    if (!r.Open(path.c_str(), false)) return bytes;
    r.BeginSection(guid);
    try {
        for (;;) {
            uint8_t piece[1];
            r.Read(piece, 1);
            bytes.push_back(piece[0]);
        }
    } catch (const IRSException&) {
    }
    return bytes;
}

void ExpectSamePartition(const CSearchedPartitionInfo& a, const CSearchedPartitionInfo& b)
{
    ASSERT_EQ(a.GetKind(), b.GetKind());
    EXPECT_EQ(a.nFileSystemKind, b.nFileSystemKind);
    EXPECT_EQ(a.bySectorsPerCluster, b.bySectorsPerCluster);
    EXPECT_EQ(a.u64DataAreaStartSector, b.u64DataAreaStartSector);
    EXPECT_EQ(a.u64StartSector, b.u64StartSector);
    EXPECT_EQ(a.u64FilesMatch, b.u64FilesMatch);
    EXPECT_EQ(a.u64FoldersMatch, b.u64FoldersMatch);
    EXPECT_EQ(a.nId, b.nId);
    EXPECT_EQ(a.u64SectorsCount, b.u64SectorsCount);
    EXPECT_EQ(a.u64EvidenceScore, b.u64EvidenceScore);
    EXPECT_EQ(a.dRank, b.dRank);
    EXPECT_EQ(a.bRecommended, b.bRecommended);
    EXPECT_EQ(a.nSectorSize, b.nSectorSize);
    if (a.GetKind() == kSearchedPartitionFAT) {
        const auto& fa = static_cast<const CFATSearchedPartitionInfo&>(a);
        const auto& fb = static_cast<const CFATSearchedPartitionInfo&>(b);
        EXPECT_EQ(fa.GetReservedSectors(), fb.GetReservedSectors());
        EXPECT_EQ(fa.GetSectorsPerFAT(), fb.GetSectorsPerFAT());
        EXPECT_EQ(fa.GetClusterCount(), fb.GetClusterCount());
        EXPECT_EQ(fa.GetRoot(), fb.GetRoot());
        EXPECT_EQ(fa.GetFlags(), fb.GetFlags());
    }
    if (a.GetKind() == kSearchedPartitionNTFS) {
        const auto& na = static_cast<const CSearchedNTFSPartitionInfo&>(a);
        const auto& nb = static_cast<const CSearchedNTFSPartitionInfo&>(b);
        EXPECT_EQ(na.u64SerialNumber, nb.u64SerialNumber);
        EXPECT_EQ(na.nSectorsPerMftRecord, nb.nSectorsPerMftRecord);
        EXPECT_EQ(na.nFlags, nb.nFlags);
        EXPECT_EQ(na.bUseMft, nb.bUseMft);
        EXPECT_EQ(na.bMftOnly, nb.bMftOnly);
        EXPECT_EQ(na.u64TotalClusters, nb.u64TotalClusters);
        EXPECT_EQ(na.u64MftSector, nb.u64MftSector);
        EXPECT_EQ(na.u64LogFileSector, nb.u64LogFileSector);
        EXPECT_EQ(na.u64UpcaseSector, nb.u64UpcaseSector);
        EXPECT_EQ(na.u64AttrDefSector, nb.u64AttrDefSector);
        EXPECT_EQ(na.u64SectorsFromSystemFiles, nb.u64SectorsFromSystemFiles);
    }
}

class RSScanState : public testing::TestWithParam<const char*> {};

TEST_P(RSScanState, SavedScanRestoresPartitionsScannersAndTrees)
{
    testsupport::TempDir dir;
    const std::string image = Fixture(dir, GetParam());
    if (image.empty()) GTEST_SKIP() << "xz or the fixture is missing";
    CImageFileDevice device(image);
    ASSERT_GT(device.GetSectorCount(), 0u);

    CFATSearchController fat;
    CNTFSSearchController ntfs;
    CEXT2SearchController ext2;
    CRAWSearchController raw;
    const CSearchControllerList scanners{&fat, &ntfs, &ext2, &raw};
    CRawFileList hits;
    CSearchedPartitionList found;
    Scan(scanners, device, hits, found);
    ASSERT_FALSE(found.empty());

    const std::string state = (dir / "cstemp.rdf").string();
    {
        CRSDataEx w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(state.c_str(), true));
        w.SetKind(2);
        SaveSearchedPartitions(found, &w);
        SaveSearchControllers(scanners, &w);
        SaveRawFileList(&hits, &w);
        w.Close();
    }

    CSearchedPartitionList partitions;
    CSearchControllerList controllers;
    std::unique_ptr<CRawFileList> restoredHits;
    {
        CRSDataEx r(CRSData::kModeRead);
        ASSERT_TRUE(r.Open(state.c_str(), false));
        ASSERT_TRUE(LoadSearchedPartitions(partitions, &r));
        ASSERT_TRUE(LoadSearchControllers(controllers, &r));
        restoredHits.reset(LoadRawFileList(&r));
    }
    ASSERT_EQ(partitions.size(), found.size());
    for (auto a = found.begin(), b = partitions.begin(); a != found.end(); ++a, ++b) ExpectSamePartition(**a, **b);
    ASSERT_EQ(controllers.size(), 4u);
    auto* fatBack = dynamic_cast<CFATSearchController*>(controllers.front());
    ASSERT_NE(fatBack, nullptr);
    EXPECT_EQ(fatBack->GetDirSectors().size(), fat.GetDirSectors().size());
    for (size_t i = 0; i < fat.GetDirSectors().size() && i < fatBack->GetDirSectors().size(); ++i) {
        EXPECT_EQ(fatBack->GetDirSectors()[i].sector, fat.GetDirSectors()[i].sector);
        EXPECT_EQ(fatBack->GetDirSectors()[i].dotCluster, fat.GetDirSectors()[i].dotCluster);
        EXPECT_EQ(fatBack->GetDirSectors()[i].dotDotCluster, fat.GetDirSectors()[i].dotDotCluster);
    }
    ASSERT_NE(dynamic_cast<CNTFSSearchController*>(*std::next(controllers.begin())), nullptr);
    ASSERT_NE(dynamic_cast<CEXT2SearchController*>(*std::next(controllers.begin(), 2)), nullptr);
    ASSERT_NE(dynamic_cast<CRAWSearchController*>(controllers.back()), nullptr);
    ASSERT_NE(restoredHits, nullptr);
    EXPECT_EQ(restoredHits->GetCount(), hits.GetCount());

    // Saved again from what was restored: the same bytes.
    const std::string again = (dir / "again.rdf").string();
    {
        CRSDataEx w(CRSData::kModeWrite);
        ASSERT_TRUE(w.Open(again.c_str(), true));
        w.SetKind(2);
        SaveSearchedPartitions(partitions, &w);
        SaveSearchControllers(controllers, &w);
        SaveRawFileList(restoredHits.get(), &w);
        w.Close();
    }
    for (const RSGuid& guid : {kRSFoundPartitionsGuid, kRSSearchControllersGuid, kRSRawHitsGuid}) {
        const auto first = SectionBytes(state, guid);
        EXPECT_FALSE(first.empty());
        EXPECT_EQ(first, SectionBytes(again, guid));
    }

    // The restored scanners build the trees the scanning ones build, for every partition found.
    for (IFileSystemSearchController* c : controllers) c->SetRawFileList(restoredHits.get());
    int index = 0;
    size_t built = 0;
    for (auto a = found.begin(), b = partitions.begin(); a != found.end(); ++a, ++b, ++index) {
        QuietBuild q1, q2;
        CFileSystemNode* original = DispatchBuildDirectory(scanners, *a, &device, index, &q1);
        CFileSystemNode* restored = DispatchBuildDirectory(controllers, *b, &device, index, &q2);
        ASSERT_EQ(original == nullptr, restored == nullptr) << index;
        if (!original) continue;
        std::vector<std::string> was, is;
        Describe(original, "", was);
        Describe(restored, "", is);
        EXPECT_EQ(was, is) << index;
        built += was.empty() ? 0 : 1;
        DeleteFoundTree(original);
        DeleteFoundTree(restored);
    }
    EXPECT_GT(built, 0u);
    DeleteSearchedPartitions(found);
    DeleteSearchedPartitions(partitions);
    DeleteSearchControllers(controllers);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RSScanState, testing::Values("fat16", "fat32", "format-fat32-as-ntfs", "ext2-1k"));

} // namespace
