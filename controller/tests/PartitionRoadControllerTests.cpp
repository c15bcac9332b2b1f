// The controllers of the partition-recovery road driven without windows: the disk list of page 3 from a disk
// image standing in for the machine's disk, the lost-partition search of the chosen disk, the found
// partitions of page 4 with their names, the builds by file-system kind, and the ways a search ends
// without handing anything on (cancelled, nothing found and no whole-disk search wanted).
#include "controller/CFileSelectController.h"
#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"
#include "core/CRecoverySettings.h"
#include "controller/IFileSelectView.h"
#include "controller/IFoundPartitionView.h"
#include "controller/ILostDiskView.h"
#include "controller/IWizardSheet.h"
#include "controller/LostPartitionSearch.h"
#include "controller/MessageBoxTypes.h"
#include "core/devices/CBasicPartitionDevice.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "controller/tests/RoadControllerTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace {

using roadtest::FakeFileView;
using roadtest::FakeSheet;
using roadtest::Fixture;

// The disk page: the device page's rows and posted tasks, its own strings and the whole-disk question.
class FakeDiskView : public roadtest::FakeDeviceView, public ILostDiskView {
public:
    int asked = 0;
    bool wantFullScan = false;

    std::string LoadString(unsigned id) override
    {
        return id == 410 ? "Results for \nDisk " : id == 409 ? "Results for \nImage File " : "?";
    }
    bool AskFullScanAfterEmptySearch() override
    {
        ++asked;
        return wantFullScan;
    }
};

class FakePartitionView : public IFoundPartitionView {
public:
    std::vector<DeviceRow> rows;
    int selected = -1;
    std::vector<unsigned> messages;
    int hints = 0, unticks = 0;
    void ClearRows() override { rows.clear(); }
    void AddRow(const DeviceRow& row) override { rows.push_back(row); }
    int GetSelectedRow() override { return selected < int(rows.size()) ? selected : -1; }
    void* GetRowItem(int row) override { return row >= 0 && row < int(rows.size()) ? rows[size_t(row)].item : nullptr; }
    int ShowMessage(unsigned id, unsigned) override
    {
        messages.push_back(id);
        return wizmsg::kAnswerOk;
    }
    bool ShowFullScanHint() override
    {
        ++hints;
        return true;
    }
    void UncheckFullScan() override { ++unticks; }
    // The whole-disk search gives what the test put in (then owned by the caller).
    std::vector<CSearchedPartitionInfo*> toFind;
    IStorageDevice* searched = nullptr;
    ~FakePartitionView() override
    {
        for (CSearchedPartitionInfo* p : toFind) delete p;
    }
    IntelligentSearchEnd RunSearch(IStorageDevice* device, const CSearchControllerList&,
                                   CSearchedPartitionList& found) override
    {
        searched = device;
        found.insert(found.end(), toFind.begin(), toFind.end());
        toFind.clear();
        return IntelligentSearchEnd::Finished;
    }
    void BuildRawTree(CRawFileList*, IStorageDevice*, CFileNode*) override {}
};

class PartitionRoadControllers : public ::testing::Test {
protected:
    void SetUp() override
    {
        image = (dir / "lost-disk.img").string();
        ASSERT_EQ(std::system(("xz -dc '" + Fixture("lost-disk.img.xz") + "' > '" + image + "'").c_str()), 0);
        setenv("SALVIX_DISKS", image.c_str(), 1);
        SetWizardSheet(&sheet);
        disk->SetPage(&diskView);
        partition->SetPage(&partitionView);
        scan->SetPage(&scanPage);
        GetFileSelectController()->SetPage(&fileView);
        CLostRecoveryPartitionDeviceSelectController::HintFlag() = true;
    }
    void TearDown() override
    {
        scan->Reset();
        scan->SetPage(nullptr);
        GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 0;
        partition->Home();
        disk->Reset();
        disk->SetPage(nullptr);
        partition->SetPage(nullptr);
        GetFileSelectController()->SetPage(nullptr);
        GetFileSelectController()->SetPrevious(nullptr);
        SetLostPartitionSearch({});
        SetWizardSheet(nullptr);
        setenv("SALVIX_DISKS", "", 1);
    }
    void ListDisks()
    {
        disk->Activate();
        disk->WaitForRefresh();
        diskView.RunPosted();
        ASSERT_EQ(diskView.rows.size(), 1u);
        diskView.selected = 0;
    }

    testsupport::TempDir dir;
    std::string image;
    FakeSheet sheet;
    FakeDiskView diskView;
    FakePartitionView partitionView;
    FakeFileView fileView;
    CLostRecoveryDiskDeviceSelectController* disk = GetLostRecoveryDiskDeviceSelectController();
    CLostRecoveryPartitionDeviceSelectController* partition = GetLostRecoveryPartitionDeviceSelectController();
    roadtest::FakeScanPage scanPage;
    CLostRecoveryScanPartitionDeviceSelectController* scan = GetLostRecoveryScanPartitionDeviceSelectController();
};

TEST_F(PartitionRoadControllers, TheSearchOfADiskOffersItsLostPartitionsAndBuildsTheChosenOne)
{
    ASSERT_NO_FATAL_FAILURE(ListDisks());
    EXPECT_EQ(diskView.rows[0].icon, CLostRecoveryDiskDeviceSelectController::kIconDisk);
    EXPECT_EQ(diskView.rows[0].sectors, 64u * 2048u);
    ASSERT_TRUE(disk->next());
    EXPECT_EQ(sheet.pages.back(), WP_LOST_RECOVERY_PARTITION);
    ASSERT_EQ(partitionView.rows.size(), 3u);
    EXPECT_EQ(partitionView.rows[0].name, "LOSTFAT32-FAT32");
    // In the order of the search: the cylinder boundaries first, then the 1 MiB ones.
    EXPECT_EQ(partitionView.rows[1].name, "LOSTEXT2-EXT2");
    EXPECT_EQ(partitionView.rows[2].name, "LOSTNTFS-NTFS");
    EXPECT_EQ(partitionView.rows[0].sectors, 73728u);
    EXPECT_EQ(partitionView.rows[0].icon, CLostRecoveryPartitionDeviceSelectController::kIconFoundPartition);

    // The selection follows the chosen partition, then the disk once the page is left.
    CSelectedDevice selection;
    partition->GetSelection(&selection);
    EXPECT_EQ(selection.GetDisk(), disk->GetChosenRecord());
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row);
        partitionView.selected = row;
        ASSERT_TRUE(partition->next());
        EXPECT_EQ(sheet.pages.back(), WP_FILE_SELECT);
        FileTreeStatistics s;
        ASSERT_TRUE(fileView.root && fileView.root->GetStatistics(s));
        EXPECT_GE(s.files, 2u);
        partition->GetSelection(&selection);
        EXPECT_EQ(selection.GetFoundPartition(), partitionView.rows[size_t(row)].item);
        GetFileSelectController()->Back();
        EXPECT_EQ(fileView.root, nullptr);
    }
    // The hint showed once: the user ticked "do not show again".
    EXPECT_EQ(partitionView.hints, 1);
    EXPECT_EQ(disk->GetScanKind(), kScanPartition);
    EXPECT_EQ(partition->GetScanKind(), kScanPartition);
}

TEST_F(PartitionRoadControllers, ASearchThatEndsWithoutPartitionsHandsNothingOn)
{
    ASSERT_NO_FATAL_FAILURE(ListDisks());
    struct Case {
        const char* name;
        PartitionSearchResult result;
        bool withHit;
        int questions;
    } cases[] = {
        {"cancelled before a hit", PartitionSearchResult::Cancelled, false, 0},
        {"failed", PartitionSearchResult::Failed, true, 0},
        {"nothing found, no full scan wanted", PartitionSearchResult::Finished, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        diskView.asked = 0;
        sheet.pages.clear();
        SetLostPartitionSearch([&](const DiskDeviceRecord& d, std::vector<CLostPartitionRecord>& found) {
            if (c.withHit) {
                CLostPartitionRecord hit;
                hit.u64SectorCount = 100;
                hit.pDevice = new CBasicPartitionDevice(d.pDevice, 63, 100);
                found.push_back(hit);
            }
            return c.result;
        });
        EXPECT_FALSE(disk->next());
        EXPECT_EQ(diskView.asked, c.questions);
        EXPECT_TRUE(sheet.pages.empty());
        EXPECT_TRUE(partition->GetFoundPartitions().empty());
    }
}

TEST_F(PartitionRoadControllers, NoRowNoPartitionAndThePreviousRecoveryRowAreTold)
{
    ASSERT_NO_FATAL_FAILURE(ListDisks());
    diskView.selected = -1;
    EXPECT_FALSE(disk->next());
    ASSERT_EQ(diskView.messages, std::vector<unsigned>{CLostRecoveryDiskDeviceSelectController::kSelectDisk});

    // A row without record stands for "Previous Recovery...": no search, and without saved state it fails.
    int searches = 0;
    SetLostPartitionSearch([&](const DiskDeviceRecord&, std::vector<CLostPartitionRecord>&) {
        ++searches;
        return PartitionSearchResult::Finished;
    });
    diskView.rows.insert(diskView.rows.begin(), DeviceRow{});
    diskView.selected = 0;
    EXPECT_FALSE(disk->next());
    EXPECT_EQ(searches, 0);
    EXPECT_EQ(diskView.messages.back(), CLostRecoveryDiskDeviceSelectController::kRestoreFailed);
    EXPECT_EQ(disk->RemovePreviousRecovery(), 0);
    EXPECT_EQ(diskView.rows.size(), 1u);
    diskView.selected = 0;
    EXPECT_EQ(disk->RemovePreviousRecovery(), 0); // a disk row stays
    EXPECT_EQ(diskView.rows.size(), 1u);

    SetLostPartitionSearch({});
    ASSERT_TRUE(disk->next());
    partitionView.selected = -1;
    EXPECT_FALSE(partition->next());
    EXPECT_EQ(partitionView.messages,
              std::vector<unsigned>{CLostRecoveryPartitionDeviceSelectController::kSelectPartition});
}

TEST_F(PartitionRoadControllers, TheResultTextNamesTheDiskOrImageQuotedAndCut)
{
    DiskDeviceRecord record;
    std::snprintf(record.szDescription, sizeof record.szDescription, "%s", "ACME  Disk  SATA");
    EXPECT_EQ(disk->ResultText(record), "Results for \nDisk \"ACME  Disk  SATA\"");
    record.nKind = DiskDeviceRecord::kKindImage;
    std::snprintf(record.szImageName, sizeof record.szImageName, "%s", "backup");
    EXPECT_EQ(disk->ResultText(record), "Results for \nImage File \"backup\"");
    std::string longName(258, 'x');
    // A three-byte character across the 259th byte goes whole.
    longName.replace(233, 3, "\xE6\x97\xA5");
    std::snprintf(record.szImageName, sizeof record.szImageName, "%s", longName.c_str());
    const std::string cut = disk->ResultText(record);
    EXPECT_EQ(cut.size(), 258u);
    EXPECT_EQ(cut.back(), 'x');
}

// Full Scan hands what the whole-disk search found to page 8, listed over the disk of page 3; an empty list
// is refused without a word, and the ticks are checked before any build starts.
TEST_F(PartitionRoadControllers, FullScanListsItsPartitionsOnPageEightAndChecksTheTicksFirst)
{
    using Scan = CLostRecoveryScanPartitionDeviceSelectController;
    EXPECT_FALSE(scan->next());
    EXPECT_TRUE(scanPage.messages.empty());

    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
    ASSERT_NO_FATAL_FAILURE(ListDisks());
    ASSERT_TRUE(disk->next());
    for (uint64_t start : {63, 81920, 112455, 20000, 30000}) {
        auto* p = new CSearchedPartitionInfo(512);
        p->u64StartSector = start;
        p->u64SectorsCount = 1000;
        partitionView.toFind.push_back(p);
    }
    partition->SetFullScan(1);
    ASSERT_TRUE(partition->next());
    EXPECT_EQ(partitionView.searched, disk->GetChosenRecord()->pDevice);
    EXPECT_EQ(sheet.pages.back(), WP_LOST_RECOVERY_SCAN_PARTITION);
    EXPECT_EQ(scanPage.shownDisk, disk->GetChosenRecord());
    EXPECT_EQ(scan->GetPartitions().size(), 5u);
    EXPECT_EQ(scan->GetPrevious(), partition);
    EXPECT_EQ(scan->GetControllerType(), 4);

    struct Case {
        int ticked;
        unsigned message;
    } cases[] = {{0, Scan::kNothingTicked}, {5, Scan::kTooManyTicked}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticked);
        for (size_t i = 0; i < scanPage.rows.size(); ++i) scanPage.rows[i].checked = int(i) < c.ticked;
        EXPECT_FALSE(scan->next());
        EXPECT_EQ(scanPage.builds, 0);
        EXPECT_EQ(scanPage.messages.back(), c.message);
    }
    // Back asks, and returns to the found partitions with nothing kept.
    scan->Back();
    EXPECT_EQ(sheet.pages.back(), WP_LOST_RECOVERY_PARTITION);
    EXPECT_TRUE(scan->GetPartitions().empty());
}

} // namespace
