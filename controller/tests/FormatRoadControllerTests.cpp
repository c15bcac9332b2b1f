// The controllers of the format-recovery road driven without windows: what the device controller does with
// the outcome of a search (cancelled, nothing found, partitions with or without a recommended one, trees
// without files), the raw image of Ctrl+O, and the scan-partition controller's checks of the ticks.
#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/ICompleteRecoveryDeviceView.h"
#include "controller/IDeviceSelectView.h"
#include "controller/IFileSelectView.h"
#include "controller/IScanPartitionView.h"
#include "controller/IWizardSheet.h"
#include "controller/MessageBoxTypes.h"
#include "core/CRecoverySettings.h"
#include "core/devices/IStorageDevice.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "controller/tests/RoadControllerTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

using roadtest::FakeFileView;
using roadtest::FakeScanPage;
using roadtest::FakeSheet;

// The device page: no rows of its own (Ctrl+O is the way in), a search that gives what the test put in.
class FakeDevicePage : public IDeviceSelectView, public ICompleteRecoveryDeviceView {
public:
    std::vector<unsigned> messages;
    std::string rawImage;
    bool cancelSearch = false;
    int searches = 0, rawTrees = 0;
    size_t scannersSeen = 0;
    // Handed to the controller by the next search.
    std::vector<CSearchedPartitionInfo*> toFind;

    ~FakeDevicePage() override
    {
        for (CSearchedPartitionInfo* p : toFind) delete p;
    }
    void ClearRows() override {}
    void AddRow(const DeviceRow&) override {}
    int GetSelectedRow() override { return -1; }
    void* GetRowItem(int) override { return nullptr; }
    void DeleteRow(int) override {}
    void BeginRefresh() override {}
    void EndRefresh() override {}
    void PostToInterfaceThread(std::function<void()>) override {}
    std::string LoadString(unsigned) override { return "?"; }
    int ShowMessage(unsigned id, unsigned) override
    {
        messages.push_back(id);
        return wizmsg::kAnswerOk;
    }
    bool ShowFormatRecoveryHint() override { return false; }
    std::string ChooseImageToOpen() override { return {}; }
    CreatedImage RunCreateImage(IStorageDevice*, const std::string&, int) override { return {}; }

    IntelligentSearchEnd RunSearch(IStorageDevice* device, const CSearchControllerList& scanners,
                                   CSearchedPartitionList& found) override
    {
        ++searches;
        scannersSeen = scanners.size();
        EXPECT_NE(device, nullptr);
        // A cancelled search hands on what it found before the cancel.
        found.insert(found.end(), toFind.begin(), toFind.end());
        toFind.clear();
        return cancelSearch ? IntelligentSearchEnd::Cancelled : IntelligentSearchEnd::Finished;
    }
    void BuildRawTree(CRawFileList*, IStorageDevice*, CFileNode*) override { ++rawTrees; }
    std::string ChooseRawImageFile() override { return rawImage; }
};

// A found partition no scanner builds a tree of (kind 7), with its rank and recommendation.
CSearchedPartitionInfo* Found(double rank, int recommended, uint64_t start = 0)
{
    auto* p = new CSearchedPartitionInfo(512);
    p->dRank = rank;
    p->bRecommended = recommended;
    p->u64StartSector = start;
    p->u64SectorsCount = 1000;
    return p;
}

class FormatRoadTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetWizardSheet(&sheet);
        devices = GetCompleteRecoveryPartitionDeviceSelectController();
        scan = GetCompleteRecoveryScanPartitionDeviceSelectController();
        devices->SetPage(&devicePage);
        devices->SetView(&devicePage);
        scan->SetPage(&scanPage);
        GetFileSelectController()->SetPage(&fileView);
        CRecoverySettings* s = GetRecoverySettings();
        s->m_recoveryMode = 1;
        s->m_manuallySelectHistoricalPartitions = 0;
        s->m_recoverRawFiles = 1;
        s->m_rawFilesOnly = 0;
        rawImage = (dir / "raw.img").string();
        std::ofstream(rawImage, std::ios::binary) << std::string(64 * 1024, '\0');
        devicePage.rawImage = rawImage;
    }
    void TearDown() override
    {
        devices->Reset();
        scan->Reset();
        GetFileSelectController()->Reset();
        GetFileSelectController()->SetPage(nullptr);
        scan->SetPage(nullptr);
        devices->SetView(nullptr);
        devices->SetPage(nullptr);
        SetWizardSheet(nullptr);
        GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 0;
    }

    testsupport::TempDir dir;
    std::string rawImage;
    FakeSheet sheet;
    FakeDevicePage devicePage;
    FakeScanPage scanPage;
    FakeFileView fileView;
    CCompleteRecoveryPartitionDeviceSelectController* devices = nullptr;
    CCompleteRecoveryScanPartitionDeviceSelectController* scan = nullptr;
};

TEST_F(FormatRoadTest, ARawImageIsOneCheckedFileWithoutFileSystem)
{
    devicePage.toFind = {Found(1.0, 1)};
    devices->OpenRawImageFile();
    const VolumeDeviceRecord* chosen = devices->GetChosenRecord();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->nFileSystemKind, CCompleteRecoveryPartitionDeviceSelectController::kNoFileSystem);
    EXPECT_STREQ(chosen->szImagePath, rawImage.c_str());
    EXPECT_EQ(chosen->pDevice->GetSectorCount(), 128u);
    EXPECT_EQ(GetRecoverySettings()->m_selectedDriveLetter, 255);
    EXPECT_EQ(devicePage.searches, 1);
    // FAT, NTFS, ext2 and the signature scanner.
    EXPECT_EQ(devicePage.scannersSeen, 4u);

    // A file that cannot be opened is told and searches nothing.
    devicePage.rawImage = (dir / "missing.img").string();
    devices->OpenRawImageFile();
    EXPECT_EQ(devicePage.messages.back(), CVolumeDeviceSelectController::kInvalidImage);
    EXPECT_EQ(devicePage.searches, 1);
}

TEST_F(FormatRoadTest, WithNothingRecommendedTheScanPageShowsTheSearch)
{
    devicePage.toFind = {Found(0.0, 0), Found(-1.0, 0, 100)};
    devices->OpenRawImageFile();
    ASSERT_FALSE(sheet.pages.empty());
    EXPECT_EQ(sheet.pages.back(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    EXPECT_EQ(scan->GetPartitions().size(), 2u);
    EXPECT_EQ(scanPage.builds, 0);
    EXPECT_TRUE(scanPage.messages.empty());
    EXPECT_EQ(scan->GetPrevious(), devices);
}

TEST_F(FormatRoadTest, TreesWithoutFilesAreToldAndTheScanPageKeepsTheSearch)
{
    devicePage.toFind = {Found(1.0, 1)};
    devices->OpenRawImageFile();
    EXPECT_EQ(scanPage.builds, 1);
    EXPECT_EQ(scanPage.messages,
              std::vector<unsigned>{CCompleteRecoveryScanPartitionDeviceSelectController::kNoFilesFound});
    ASSERT_FALSE(sheet.pages.empty());
    EXPECT_EQ(sheet.pages.back(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    EXPECT_EQ(scan->GetPartitions().size(), 1u);
    EXPECT_EQ(GetFileSelectController()->GetRoot(), nullptr);
}

// A cancelled search goes on with what it found; one that found nothing stays on the device page quietly.
TEST_F(FormatRoadTest, ACancelledSearchGoesOnWithWhatItFound)
{
    devicePage.cancelSearch = true;
    devicePage.toFind = {Found(0.0, 0), Found(-1.0, 0, 100)};
    devices->OpenRawImageFile();
    ASSERT_FALSE(sheet.pages.empty());
    EXPECT_EQ(sheet.pages.back(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    EXPECT_EQ(scan->GetPartitions().size(), 2u);

    scan->Reset();
    sheet.pages.clear();
    devices->OpenRawImageFile();
    EXPECT_EQ(devicePage.rawTrees, 1);
    EXPECT_TRUE(sheet.pages.empty());
    EXPECT_TRUE(scan->GetPartitions().empty());
    EXPECT_TRUE(devicePage.messages.empty());
}

TEST_F(FormatRoadTest, RawFilesOnlyWithoutRawFilesSearchesWithNoScannerAndFindsNothing)
{
    GetRecoverySettings()->m_rawFilesOnly = 1;
    GetRecoverySettings()->m_recoverRawFiles = 0;
    EXPECT_TRUE(CCompleteRecoveryPartitionDeviceSelectController::MakeScanners(*GetRecoverySettings()).empty());
    devices->OpenRawImageFile();
    EXPECT_EQ(devicePage.scannersSeen, 0u);
    EXPECT_EQ(devicePage.rawTrees, 1);
    EXPECT_EQ(devicePage.messages,
              std::vector<unsigned>{CCompleteRecoveryPartitionDeviceSelectController::kNoFilesFound});
    EXPECT_TRUE(sheet.pages.empty());
    GetRecoverySettings()->m_rawFilesOnly = 0;
    GetRecoverySettings()->m_recoverRawFiles = 1;
    EXPECT_EQ(CCompleteRecoveryPartitionDeviceSelectController::MakeScanners(*GetRecoverySettings()).size(), 4u);
}

TEST_F(FormatRoadTest, TheTicksAreCheckedBeforeAnyBuild)
{
    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
    using Controller = CCompleteRecoveryScanPartitionDeviceSelectController;
    EXPECT_FALSE(scan->next());
    EXPECT_EQ(scanPage.messages.back(), Controller::kNoPartition);

    devicePage.toFind = {Found(1.0, 1), Found(0.9, 0, 10), Found(0.8, 0, 20), Found(0.7, 0, 30), Found(0.6, 0, 40)};
    devices->OpenRawImageFile();
    ASSERT_EQ(sheet.pages.back(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    EXPECT_EQ(scanPage.builds, 0);
    struct Case {
        int ticked;
        bool built;
        unsigned message;
    } cases[] = {{0, false, Controller::kNothingTicked},
                 {5, false, Controller::kTooManyTicked},
                 {4, true, Controller::kNoFilesFound},
                 {1, true, Controller::kNoFilesFound}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ticked);
        for (size_t i = 0; i < scanPage.rows.size(); ++i) scanPage.rows[i].checked = int(i) < c.ticked;
        const int builds = scanPage.builds;
        scan->next();
        EXPECT_EQ(scanPage.builds, builds + (c.built ? 1 : 0));
        EXPECT_EQ(scanPage.messages.back(), c.message);
    }
    // A cancelled build keeps the list and shows nothing.
    scanPage.cancelBuild = true;
    const size_t told = scanPage.messages.size();
    EXPECT_FALSE(scan->next());
    EXPECT_EQ(scanPage.messages.size(), told);
    EXPECT_EQ(scan->GetPartitions().size(), 5u);
}

TEST_F(FormatRoadTest, BackFromTheScanPageAsksFirst)
{
    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
    devicePage.toFind = {Found(1.0, 1)};
    devices->OpenRawImageFile();
    ASSERT_EQ(sheet.pages.back(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    scanPage.answer = wizmsg::kAnswerNo;
    scan->Back();
    EXPECT_EQ(sheet.pages.back(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    EXPECT_EQ(scan->GetPartitions().size(), 1u);
    scanPage.answer = wizmsg::kAnswerYes;
    scan->Back();
    EXPECT_EQ(sheet.pages.back(), WP_COMPLETE_RECOVERY_DEVICE);
    EXPECT_TRUE(scan->GetPartitions().empty());
    EXPECT_EQ(scanPage.messages,
              (std::vector<unsigned>{CCompleteRecoveryScanPartitionDeviceSelectController::kReturnToDevices,
                                     CCompleteRecoveryScanPartitionDeviceSelectController::kReturnToDevices}));
}

} // namespace
