// The partition-recovery road through the real wizard widgets, offscreen: the partition-recovery button of
// page 0, the disk list of page 3 (a 64 MiB disk image whose partition table is zeroed standing in for the
// machine's disk), Next and the lost-partition search, the found partitions of page 4, Next, the "Full scan"
// hint, the found-file page's check box of the partition, Recover, the save path and the result. The saved
// files are compared with the fixture's manifest. A cancelled search goes on with what it found; one that
// found nothing stays on the disk page; the Full Scan box and the row selection exclude each other. An image
// of the disk made from its page is listed and searched like the disk. Screenshots in each language.
#include "wizard/CWizardSheet.h"

#include "controller/CFileSelectController.h"
#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CWizardSheetController.h"
#include "controller/LostPartitionSearch.h"
#include "controls/CImageWnd.h"
#include "controls/CEditPlus.h"
#include "controls/CExtendListCtrl.h"
#include "controls/CExtendListRow.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "controls/CTransButton.h"
#include "controls/MessageBox.h"
#include "core/CRecoverySettings.h"
#include "core/devices/CImageFileDevice.h"
#include "core/devices/CBasicPartitionDevice.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/CLostPartitionSearchingDialog.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "views/diskimage/CImageDiskSteps.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/saving/CSaveFilePathDlg.h"
#include "views/saving/CSaveFileResultDlg.h"
#include "wizard/CFileSelectPage.h"
#include "wizard/CLostRecoveryDiskDeviceSelectPage.h"
#include "wizard/CLostRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CLostRecoveryScanPartitionDeviceSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CSaveFilePage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

using wizardtest::ScreenshotFolder;
using wizardtest::WhenModal;
using wizardtest::WhenPopup;

class PartitionRoadGui : public wizardtest::RoadGui {
protected:
    void SetUp() override
    {
        GetRecoverySettings()->m_recoveryMode = 0;
        CLostRecoveryPartitionDeviceSelectController::HintFlag() = true;
        setenv("SALVIX_DRIVES", "", 1);
    }
    void TearDown() override
    {
        // The controllers outlive the sheet, as they do the program's windows: each test starts afresh.
        GetLostRecoveryScanPartitionDeviceSelectController()->Reset();
        GetLostRecoveryPartitionDeviceSelectController()->Reset();
        GetLostRecoveryDiskDeviceSelectController()->Reset();
        GetLostRecoveryDiskDeviceSelectController()->ReleaseImages();
        RoadGui::TearDown();
        GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 0;
        SetLostPartitionSearch({});
    }

    void Open()
    {
        ASSERT_NO_FATAL_FAILURE(OpenSheet());
        disks = static_cast<CLostRecoveryDiskDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_DISK));
        partitions = static_cast<CLostRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_PARTITION));
        scan =
            static_cast<CLostRecoveryScanPartitionDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_SCAN_PARTITION));
        ASSERT_TRUE(disks && partitions && scan);
    }

    // Page 0's partition-recovery button, then the disk list filled by its worker.
    void ChoosePartitionRecovery()
    {
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(2), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
        ASSERT_TRUE(QTest::qWaitFor([&] { return disks->GetDeviceList()->GetItemCount() > 0; }, 30000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
    }

    // The disk's row, Next: the search runs under its dialog and page 4 lists what it found.
    void SearchFirstDisk()
    {
        ASSERT_NO_FATAL_FAILURE(ClickRow(disks->GetDeviceList(), 0));
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
    }

    // The row of page 4 whose partition carries that label; -1 when none.
    int RowOf(const std::string& label)
    {
        CDeviceSelectCtrl* list = partitions->GetDeviceList();
        for (int i = 0; i < list->GetItemCount(); ++i)
            if (auto* r = static_cast<CLostPartitionRecord*>(list->GetItemData(i)); r && label == r->szLabel) return i;
        return -1;
    }

    // The partition's row, Next and OK on the hint when it shows; the found-file page follows.
    void BuildPartition(const std::string& label, bool hintExpected)
    {
        const int row = RowOf(label);
        ASSERT_GE(row, 0) << label;
        ASSERT_NO_FATAL_FAILURE(ClickRow(partitions->GetDeviceList(), row));
        bool hinted = false;
        if (hintExpected)
            WhenModal<CHasCheckboxPromptDlg>([&](CHasCheckboxPromptDlg* dlg) {
                hinted = true;
                QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
            });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        EXPECT_EQ(hinted, hintExpected);
    }

    // The check box of the partition's folder in the folder tree; every file ends checked.
    void CheckPartition() { CheckFirstFolder(true); }

    // Page 4's Full Scan box ticked and Next: the whole disk is searched under the intelligent-search
    // dialog, cancelled there when asked.
    void FullScan(bool cancel = false, const QString& screenshot = QString())
    {
        CTransButton* box = partitions->FullScanBox();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return GetLostRecoveryPartitionDeviceSelectController()->GetFullScan() == 1; }));
        bool searching = false;
        WhenModal<CIntelligentSearchingDialog>([&](CIntelligentSearchingDialog* dlg) {
            searching = true;
            if (!screenshot.isEmpty()) dlg->grab().save(screenshot);
            if (cancel) QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
        });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        EXPECT_TRUE(searching);
    }

    int ScanRowAt(uint64_t start) { return wizardtest::ScanRowAt(scan, start); }
    void ClickTick(int row) { wizardtest::ClickScanTick(scan, row); }

    CLostRecoveryDiskDeviceSelectPage* disks = nullptr;
    CLostRecoveryPartitionDeviceSelectPage* partitions = nullptr;
    CLostRecoveryScanPartitionDeviceSelectPage* scan = nullptr;
};

class PartitionRoadFixtures : public PartitionRoadGui, public ::testing::WithParamInterface<const char*> {};

TEST_P(PartitionRoadFixtures, FilesOfALostPartitionComeBackThroughTheWindow)
{
    const std::string label = GetParam();
    const std::map<std::string, std::string> expected = wizardtest::LostDiskFiles(label);
    ASSERT_FALSE(expected.empty());
    const std::string image = Unpack("lost-disk");
    UseImage(image, false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    // The wait animation of the disk list's refresh stood over the middle of the list.
    const CImageWnd* wait = disks->WaitWindow();
    ASSERT_TRUE(wait && wait->parentWidget());
    const CDeviceSelectCtrl* diskList = disks->GetDeviceList();
    const QPoint listCentre = diskList->mapTo(wait->parentWidget(), diskList->rect().center());
    EXPECT_LE((wait->geometry().center() - listCentre).manhattanLength(), 2)
        << wait->geometry().center().x() << "," << wait->geometry().center().y() << " vs " << listCentre.x() << ","
        << listCentre.y();
    ASSERT_NO_FATAL_FAILURE(SearchFirstDisk());
    // Every partition of the zeroed table is offered, in the order of the search.
    ASSERT_EQ(partitions->GetDeviceList()->GetItemCount(), 3);
    EXPECT_EQ(RowOf("LOSTFAT32"), 0);
    EXPECT_EQ(RowOf("LOSTEXT2"), 1);
    EXPECT_EQ(RowOf("LOSTNTFS"), 2);
    // Filled while the page was hidden, the list still shows no scroll bar for three rows.
    EXPECT_FALSE(partitions->GetDeviceList()->View()->verticalScrollBar()->isVisible());
    EXPECT_FALSE(partitions->GetDeviceList()->View()->horizontalScrollBar()->isVisible());
    // Each page has its own title and subtitle, also when reached by Back (checked below).
    const auto titleIs = [&](unsigned id) {
        return QTest::qWaitFor([&] { return sheet->CurrentTitleBitmap() == id; }, 2000);
    };
    EXPECT_TRUE(titleIs(524)); // "Choose the found partitions to scan"
    ASSERT_NO_FATAL_FAILURE(BuildPartition(label, true));
    EXPECT_TRUE(titleIs(521)); // "Select the files to recover"
    ASSERT_NO_FATAL_FAILURE(CheckPartition());

    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    std::vector<fs::path> made;
    for (const auto& e : fs::directory_iterator(out)) made.push_back(e.path());
    ASSERT_EQ(made.size(), 1u);
    const std::map<std::string, testsupport::SavedFile> saved = testsupport::SavedFiles(made[0]);
    std::string listing;
    for (const auto& [path, file] : saved) listing += path + "\n";
    EXPECT_EQ(saved.size(), expected.size()) << listing;
    for (const auto& [path, sha] : expected) {
        SCOPED_TRACE(path);
        // The made folder is the partition's; the files keep their names and folders below it.
        auto found = saved.find(path.substr(1));
        ASSERT_NE(found, saved.end()) << listing;
        EXPECT_EQ(found->second.sha256, sha);
    }

    // Back from the found files (Yes to the question) shows the found partitions again; Back from there
    // returns to the disk list, enumerated again.
    {
        CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
        QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    }
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
    EXPECT_TRUE(titleIs(524)) << sheet->CurrentTitleBitmap();
    EXPECT_EQ(partitions->GetDeviceList()->GetItemCount(), 3);
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
    EXPECT_TRUE(titleIs(523)) << sheet->CurrentTitleBitmap();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return disks->GetDeviceList()->GetItemCount() == 1 && frame.isEnabled(); }, 30000));
    EXPECT_TRUE(GetLostRecoveryPartitionDeviceSelectController()->GetFoundPartitions().empty());
}

INSTANTIATE_TEST_SUITE_P(LostDisk, PartitionRoadFixtures, ::testing::Values("LOSTFAT32", "LOSTNTFS", "LOSTEXT2"));

TEST_F(PartitionRoadGui, NothingChosenIsToldAndFullScanAndRowsExcludeEachOther)
{
    const std::string image = Unpack("lost-disk");
    UseImage(image, false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    std::vector<QString> told;
    CScopedMessageBoxResponder ok([&](const MessageBoxRequest& r) {
        told.push_back(r.text);
        return IDOK;
    });
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], CResourceLibrary::Instance().LoadString(140));
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);

    ASSERT_NO_FATAL_FAILURE(SearchFirstDisk());
    told.clear();
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], CResourceLibrary::Instance().LoadString(143));
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);

    // Ticking Full Scan clears the selection; a click on a row unticks it.
    CTransButton* box = partitions->FullScanBox();
    ASSERT_TRUE(box && box->isVisible());
    ASSERT_NO_FATAL_FAILURE(ClickRow(partitions->GetDeviceList(), 1));
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return GetLostRecoveryPartitionDeviceSelectController()->GetFullScan() == 1; }));
    EXPECT_EQ(partitions->GetDeviceList()->GetSelectedIndex(), -1);
    ASSERT_NO_FATAL_FAILURE(ClickRow(partitions->GetDeviceList(), 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return GetLostRecoveryPartitionDeviceSelectController()->GetFullScan() == 0; }));
    EXPECT_FALSE(box->GetCheck());
}

// A lost-partition search the user cancels midway hands on the partitions it found until then: page 4
// lists them, and the first one found gives back its files as the manifest has them.
TEST_F(PartitionRoadGui, ACancelledSearchGoesOnWithThePartitionsFoundSoFar)
{
    const std::string image = Unpack("lost-disk");
    fs::resize_file(image, fs::file_size(image) + (4ull << 30));
    UseImage(image, false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    ASSERT_NO_FATAL_FAILURE(ClickRow(disks->GetDeviceList(), 0));
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    // The dialog is modeless: it is found among the windows, and cancelled once it holds a partition and its bar
    // knows the search's length.
    uint64_t processed = 0, candidates = 0;
    bool cancelled = false;
    auto* watch = new QTimer;
    QObject::connect(watch, &QTimer::timeout, [&, watch] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dlg = qobject_cast<CLostPartitionSearchingDialog*>(w);
            if (!dlg || !dlg->isVisible()) continue;
            processed = dlg->GetProcessed();
            candidates = uint64_t(dlg->ProgressBar()->maximum());
            // The range reaches the bar through the event queue; on a busy machine a partition may be found first.
            if (!cancelled && dlg->GetFoundCount() > 0 && candidates > 1) {
                cancelled = true;
                QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
            }
        }
    });
    watch->start(5);
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    delete watch;
    ASSERT_TRUE(cancelled);
    EXPECT_LT(processed, candidates);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
    const int rows = partitions->GetDeviceList()->GetItemCount();
    ASSERT_GE(rows, 1);
    // Searched cylinder by cylinder: the FAT32 partition at sector 63 comes first.
    ASSERT_EQ(RowOf("LOSTFAT32"), 0);
    ASSERT_NO_FATAL_FAILURE(BuildPartition("LOSTFAT32", true));
    ASSERT_NO_FATAL_FAILURE(CheckPartition());
    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    const std::map<std::string, std::string> expected = wizardtest::LostDiskFiles("LOSTFAT32");
    EXPECT_EQ(testsupport::SavedFiles(out).size(), expected.size());
    wizardtest::ExpectSavedBelow(expected, out);
}

// A disk without any partition to find: the user is asked, and No keeps the disk list.
TEST_F(PartitionRoadGui, ASearchThatFindsNothingAsksBeforeSearchingTheWholeDisk)
{
    const fs::path blank = dir / "blank.img";
    {
        std::ofstream out(blank, std::ios::binary);
        out.seekp(16 * 1024 * 1024 - 1);
        out.put('\0');
    }
    UseImage(blank.string(), false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    ASSERT_NO_FATAL_FAILURE(ClickRow(disks->GetDeviceList(), 0));
    std::vector<MessageBoxRequest> asked;
    CScopedMessageBoxResponder no([&](const MessageBoxRequest& r) {
        asked.push_back(r);
        return IDNO;
    });
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.lost.nopartition")));
    EXPECT_EQ(asked[0].type, unsigned(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
}

// Full Scan searches the whole disk with every scanner: page 8 lists what they found, with nothing ticked
// Next is refused there, and the one ticked partition is built and its files saved as the manifest has them.
// Back leads to page 8 and then to page 4.
TEST_F(PartitionRoadGui, FullScanListsThePartitionsOfEveryScannerAndSavesTheTickedOne)
{
    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
    const std::map<std::string, std::string> expected = wizardtest::LostDiskFiles("LOSTFAT32");
    UseImage(Unpack("lost-disk"), false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    ASSERT_NO_FATAL_FAILURE(SearchFirstDisk());
    ASSERT_NO_FATAL_FAILURE(FullScan());
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_SCAN_PARTITION);
    // FAT, NTFS and ext2 each found their partition of the zeroed table.
    const int fat = ScanRowAt(63), ntfs = ScanRowAt(81920), ext2 = ScanRowAt(112455);
    ASSERT_GE(fat, 0);
    EXPECT_GE(ntfs, 0);
    EXPECT_GE(ext2, 0);
    CMultipleChoosePartitionListCtrl* list = scan->PartitionList();
    EXPECT_GT(list->GetCheckedCount(), 0);
    EXPECT_LE(list->GetCheckedCount(), 4);

    QTest::qWait(50);
    for (int row = 0; row < list->GetItemCount(); ++row) {
        if (list->GetCheck(row)) {
            ASSERT_NO_FATAL_FAILURE(ClickTick(row));
        }
    }
    ASSERT_EQ(list->GetCheckedCount(), 0);
    {
        std::vector<QString> told;
        CScopedMessageBoxResponder ok([&](const MessageBoxRequest& r) {
            told.push_back(r.text);
            return IDOK;
        });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(told.size(), 1u);
        EXPECT_EQ(told[0], CResourceLibrary::Instance().LoadString(145));
        EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_SCAN_PARTITION);
        EXPECT_EQ(GetFileSelectController()->GetRoot(), nullptr);
    }

    ASSERT_NO_FATAL_FAILURE(ClickTick(fat));
    ASSERT_EQ(list->GetCheckedCount(), 1);
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    ASSERT_NO_FATAL_FAILURE(CheckPartition());
    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    std::map<std::string, std::string> saved;
    for (const auto& [path, file] : testsupport::SavedFiles(out)) saved[path] = file.sha256;
    std::string listing;
    for (const auto& [path, sha] : saved) listing += path + "\n";
    for (const auto& [path, sha] : expected) {
        SCOPED_TRACE(path);
        // Below the partition's folder, with its name and folders.
        bool found = false;
        for (const auto& [got, hash] : saved)
            if (got.size() > path.size() && got.compare(got.size() - path.size(), path.size(), path) == 0) {
                found = true;
                EXPECT_EQ(hash, sha);
            }
        EXPECT_TRUE(found) << listing;
    }

    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_SCAN_PARTITION);
    EXPECT_GT(list->GetItemCount(), 0);
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
    EXPECT_TRUE(GetLostRecoveryScanPartitionDeviceSelectController()->GetPartitions().empty());
}

// Without the manual option the ticked partitions are built at once, and Back from the found files returns
// to page 4, which the search started from.
TEST_F(PartitionRoadGui, FullScanWithoutTheManualOptionShowsTheFilesAtOnce)
{
    UseImage(Unpack("lost-disk"), false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    ASSERT_NO_FATAL_FAILURE(SearchFirstDisk());
    ASSERT_NO_FATAL_FAILURE(FullScan());
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    FileTreeStatistics s;
    ASSERT_TRUE(files->GetRoot()->GetStatistics(s));
    EXPECT_GT(s.files, 0u);
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
}

// A whole-disk search the user cancels midway goes on with what it found: past the three partitions of a
// disk with a long empty tail, the recommended ones are built at once and every file of the manifest is
// saved; Back returns to page 4. Cancelled before it found anything, when page 4 was skipped (the
// lost-partition search found nothing and the user asked for the whole disk), the disk page shows again.
TEST_F(PartitionRoadGui, ACancelledFullScanGoesOnWithWhatItFound)
{
    // Yes to the cancel's question, to the found-files page's Back and to the whole-disk search.
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    const std::string image = Unpack("lost-disk");
    fs::resize_file(image, fs::file_size(image) + (2ull << 30));
    UseImage(image, false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    ASSERT_NO_FATAL_FAILURE(SearchFirstDisk());
    CTransButton* box = partitions->FullScanBox();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return GetLostRecoveryPartitionDeviceSelectController()->GetFullScan() == 1; }));
    bool cancelled = false;
    wizardtest::CancelSearchAfterBlock(16, &cancelled);
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_TRUE(cancelled);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    ASSERT_NO_FATAL_FAILURE(CheckEveryFolder());
    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    size_t all = 0;
    for (const char* label : {"LOSTFAT32", "LOSTNTFS", "LOSTEXT2"}) {
        SCOPED_TRACE(label);
        const std::map<std::string, std::string> expected = wizardtest::LostDiskFiles(label);
        all += expected.size();
        wizardtest::ExpectSavedBelow(expected, out);
    }
    EXPECT_EQ(testsupport::SavedFiles(out).size(), all);
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
    EXPECT_TRUE(frame.isEnabled());

    const fs::path blank = dir / "blank.img";
    std::ofstream(blank, std::ios::binary).close();
    fs::resize_file(blank, 2ull << 30);
    // The disk list is enumerated again on the way back: it now holds the blank disk.
    UseImage(blank.string(), false);
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return disks->GetDeviceList()->GetItemCount() > 0 && frame.isEnabled(); }, 30000));
    ASSERT_NO_FATAL_FAILURE(ClickRow(disks->GetDeviceList(), 0));
    cancelled = false;
    wizardtest::CancelSearchAfterBlock(1, &cancelled);
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
    EXPECT_TRUE(GetLostRecoveryScanPartitionDeviceSelectController()->GetPartitions().empty());
    EXPECT_EQ(GetFileSelectController()->GetRoot(), nullptr);
    EXPECT_TRUE(frame.isEnabled());
}

// An image file standing in for the disk is named once, as a Linux user knows it: its file name, then the
// folder it lies in, below the home folder as "~/..." (its size has a column of its own).
TEST_F(PartitionRoadGui, AnImageStandingInForTheDiskIsNamedOnceWithItsFolder)
{
    const std::string image = Unpack("lost-disk");
    UseImage(image, false);
    const fs::path folder = fs::path(image).parent_path();
    const struct {
        std::string home;
        std::string shown;
    } cases[] = {{"/nonexistent-home", folder.string()},
                 {folder.parent_path().string(), "~/" + folder.filename().string()},
                 {folder.string(), "~"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.home);
        const testsupport::ScopedEnv home("HOME", c.home);
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
        CDeviceSelectCtrl* list = disks->GetDeviceList();
        ASSERT_EQ(list->GetItemCount(), 1);
        EXPECT_EQ(list->View()->GetRow(0).cells[0].text.toStdString(), "lost-disk.img  " + c.shown);
        EXPECT_EQ(list->View()->GetRow(0).cells[1].text, QStringLiteral("64.00 MB"));
        GetLostRecoveryDiskDeviceSelectController()->Reset();
        sheet.reset();
    }
}

// "Create Disk Image..." on the disk's row images the whole disk with its heads; left ticked, "open in the
// list" lists the image once, and its search finds the partitions the disk's search found.
TEST_F(PartitionRoadGui, ADiskImageMadeFromThePageIsListedAndSearchedLikeTheDisk)
{
    // The disk's last sector (past every partition, zero in the fixture) is marked: an image that stops short
    // of it reads zeros there, which its block-rounded length would not show.
    const std::string path = Unpack("lost-disk");
    const std::string marker(512, 'M');
    {
        std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
        f.seekp(std::streamoff(fs::file_size(path) - marker.size()));
        f.write(marker.data(), std::streamsize(marker.size()));
        ASSERT_TRUE(f.good());
    }
    UseImage(path, false);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
    CDeviceSelectCtrl* list = disks->GetDeviceList();
    // What page 4 lists: each found partition's start and label.
    const auto found = [&] {
        std::vector<std::pair<uint64_t, std::string>> all;
        for (int i = 0; i < partitions->GetDeviceList()->GetItemCount(); ++i)
            if (auto* r = static_cast<CLostPartitionRecord*>(partitions->GetDeviceList()->GetItemData(i)))
                all.emplace_back(r->u64StartSector, r->szLabel);
        return all;
    };
    const auto backToDisks = [&](int rows) {
        QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled() && list->GetItemCount() == rows; }, 30000));
    };
    ASSERT_NO_FATAL_FAILURE(SearchFirstDisk());
    const auto ofDisk = found();
    ASSERT_EQ(ofDisk.size(), 3u);
    ASSERT_NO_FATAL_FAILURE(backToDisks(1));

    // Without a selected row the command cannot be chosen.
    bool enabled = true;
    WhenPopup(CLostRecoveryDiskDeviceSelectPage::kCmdDiskImage, &enabled);
    QTest::mouseClick(&disks->ImageStrip(), Qt::LeftButton);
    EXPECT_FALSE(enabled);

    // A disk of 240 heads (the default of 255 would hide a dropped count): the image carries them.
    CLostRecoveryDiskDeviceSelectController* c = GetLostRecoveryDiskDeviceSelectController();
    ASSERT_EQ(c->GetDisks().size(), 1u);
    DiskDeviceRecord& disk = c->GetDisks().front();
    disk.nHeads = 240;
    const uint64_t diskSectors = disk.pDevice->GetSectorCount();
    ASSERT_NO_FATAL_FAILURE(ClickRow(list, 0));
    const std::string typed = (dir / "disk-copy").string();
    bool imaged = false;
    wizardtest::AnswerImageWizard(typed, &imaged);
    WhenPopup(CLostRecoveryDiskDeviceSelectPage::kCmdDiskImage, &enabled);
    QTest::mouseClick(&disks->ImageStrip(), Qt::LeftButton);
    ASSERT_TRUE(enabled);
    ASSERT_TRUE(imaged);
    EXPECT_TRUE(fs::exists(typed + ".kxi"));
    ASSERT_EQ(list->GetItemCount(), 2);
    ASSERT_EQ(c->GetImages().size(), 1u);
    const DiskDeviceRecord& image = c->GetImages().front();
    ASSERT_EQ(list->GetItemData(1), &image);
    EXPECT_EQ(image.u64ImageSectorCount, diskSectors);
    std::string last(marker.size(), '\0');
    ASSERT_TRUE(image.pDevice->ReadSectors(last.data(), diskSectors - 1, 1));
    EXPECT_TRUE(last == marker) << "the image lacks the disk's last sector";
    EXPECT_EQ(list->View()->GetRow(1).cells[1].text, list->View()->GetRow(0).cells[1].text);
    EXPECT_EQ(static_cast<CImageFileDeviceWithDecompress*>(image.pDevice)->ReadHeaderValue(), 240);
    EXPECT_EQ(image.nHeads, 240u);

    // An image's row is not imaged again.
    ASSERT_NO_FATAL_FAILURE(ClickRow(list, 1));
    WhenPopup(CLostRecoveryDiskDeviceSelectPage::kCmdDiskImage, &enabled);
    QTest::mouseClick(&disks->ImageStrip(), Qt::LeftButton);
    EXPECT_FALSE(enabled);

    // The image's row, Next: the disk's partitions, in the same order.
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
    EXPECT_EQ(found(), ofDisk);
    ASSERT_NO_FATAL_FAILURE(backToDisks(2));
}

TEST_F(PartitionRoadGui, ScreenshotsOfThePagesInEachLanguage)
{
    const std::string image = Unpack("lost-disk");
    UseImage(image, false);
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        CLostRecoveryPartitionDeviceSelectController::HintFlag() = true;
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery());
        const QString prefix = folder + QStringLiteral("/partition-road-%1").arg(language);
        // The disk page's subtitle says what is chosen here: the disk (as its list calls it) to search for lost
        // partitions; no file types are chosen on this page.
        const QString subtitle = lib.LoadText(QStringLiteral("wizard.subtitle.%1").arg(sheet->CurrentTitleBitmap()));
        EXPECT_TRUE(subtitle.contains(lib.LoadString(320), Qt::CaseInsensitive)) << subtitle.toStdString();
        EXPECT_TRUE(subtitle.contains(lib.LoadString(322), Qt::CaseInsensitive)) << subtitle.toStdString();
        ASSERT_NO_FATAL_FAILURE(ClickRow(disks->GetDeviceList(), 0));
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-disks"));
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
        ASSERT_NO_FATAL_FAILURE(ClickRow(partitions->GetDeviceList(), 0));
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-partitions"));
        WhenModal<CHasCheckboxPromptDlg>([&](CHasCheckboxPromptDlg* dlg) {
            dlg->grab().save(prefix + QStringLiteral("-hint.png"));
            QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
        });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-files"));
        {
            CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
            QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
        }
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
        GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
        ASSERT_NO_FATAL_FAILURE(FullScan(false, prefix + QStringLiteral("-search.png")));
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_SCAN_PARTITION);
        QTest::qWait(50);
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-scan"));
        GetLostRecoveryScanPartitionDeviceSelectController()->Reset();
        GetLostRecoveryPartitionDeviceSelectController()->Reset();
        GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 0;
        sheet.reset();
        lib.UnloadLanguageBundle();
    }
}

} // namespace
