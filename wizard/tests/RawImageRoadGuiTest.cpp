// A Linux user on a machine whose disks cannot be read: each device page shows the disk greyed with the
// system's reason and says what to do, and a raw image file opened with Ctrl+O (or the image menu's
// "Open Raw Image") goes down the road to saved files. Deleted-file recovery scans the image's one volume at
// once; partition recovery searches the image as a disk. The folders made are named after the image file,
// never after a drive letter. Screenshots of the three device pages in this state.
#include "wizard/CWizardSheet.h"

#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"
#include "controller/LostPartitionSearch.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "core/CRecoverySettings.h"
#include "tests/support/FixtureManifests.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "wizard/CCompleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CDeleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CLostRecoveryDiskDeviceSelectPage.h"
#include "wizard/CLostRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

using wizardtest::ScreenshotFolder;
using wizardtest::WhenModal;
using wizardtest::WhenPopup;

class RawImageRoadGui : public wizardtest::RoadGui {
protected:
    void SetUp() override
    {
        CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = true;
        CLostRecoveryPartitionDeviceSelectController::HintFlag() = true;
        // The machine's one disk cannot be opened.
        absent = (dir / "absent-disk").string();
        setenv("SALVIX_DISKS", absent.c_str(), 1);
        setenv("SALVIX_DRIVES", "", 1);
    }
    void TearDown() override
    {
        GetLostRecoveryScanPartitionDeviceSelectController()->Reset();
        GetLostRecoveryPartitionDeviceSelectController()->Reset();
        GetLostRecoveryDiskDeviceSelectController()->Reset();
        GetDeleteRecoveryPartitionDeviceSelectController()->Reset();
        GetCompleteRecoveryPartitionDeviceSelectController()->Reset();
        // The images opened here are not listed in the next test.
        GetLostRecoveryDiskDeviceSelectController()->ReleaseImages();
        GetDeleteRecoveryPartitionDeviceSelectController()->ReleaseImages();
        GetCompleteRecoveryPartitionDeviceSelectController()->ReleaseImages();
        RoadGui::TearDown();
        SetLostPartitionSearch({});
    }

    // Page 0's button of the mode; the page's list filled by its worker.
    CDeviceListPage* ChooseMode(int mode, WIZARD_PAGE page)
    {
        auto* modes = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(modes->ModeButton(mode), Qt::LeftButton);
        EXPECT_EQ(sheet->GetCurrentIndex(), page);
        auto* devices = static_cast<CDeviceListPage*>(sheet->GetPage(page));
        EXPECT_TRUE(QTest::qWaitFor([&] { return devices->GetDeviceList()->GetItemCount() > 0; }, 30000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
        return devices;
    }

    // The unreadable disk is one greyed row with its reason that a click does not choose, and the page says
    // what to do.
    void ExpectUnreadableDiskShown(CDeviceListPage* page)
    {
        CDeviceSelectCtrl* list = page->GetDeviceList();
        ASSERT_EQ(list->GetItemCount(), 1);
        const CDeviceSelectView::Row& row = list->View()->GetRow(0);
        EXPECT_TRUE(row.disabled);
        EXPECT_EQ(row.cells[0].text, QStringLiteral("absent-disk"));
        EXPECT_TRUE(row.cells[2].text.contains(QStringLiteral("No such file or directory")))
            << row.cells[2].text.toStdString();
        EXPECT_EQ(row.data, nullptr);
        EXPECT_FALSE(list->View()->Note().isEmpty());
        EXPECT_TRUE(list->View()->Note().contains(QStringLiteral("Ctrl+O")));
        QTest::mouseClick(list->View()->viewport(), Qt::LeftButton, {}, list->View()->RowRect(0).center());
        EXPECT_EQ(list->GetSelectedIndex(), -1);
    }

    // The folders made in out: none named after a drive letter or with a ':' turned into '#'.
    static std::vector<fs::path> MadeFolders(const fs::path& out)
    {
        std::vector<fs::path> made;
        for (const auto& e : fs::directory_iterator(out)) made.push_back(e.path());
        for (const fs::path& p : made) {
            const std::string name = p.filename().string();
            EXPECT_EQ(name.find('#'), std::string::npos) << name;
            EXPECT_FALSE(name.size() >= 2 && name[1] == ':') << name;
        }
        return made;
    }

    std::string absent;
};

TEST_F(RawImageRoadGui, DeletedFilesOfARawImageOpenedFromTheImageMenu)
{
    const auto expected = testsupport::DeletedFileExpectations("fat32", testsupport::ManifestKind::Fat);
    ASSERT_FALSE(expected.empty());
    const std::string image = Unpack("fat32");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    GetRecoverySettings()->m_recoveryMode = 0;
    CDeviceListPage* page = ChooseMode(0, WP_DELETE_RECOVERY_VOLUME);
    ASSERT_NO_FATAL_FAILURE(ExpectUnreadableDiskShown(page));
    page->grab().save(ScreenshotFolder() + QStringLiteral("/devices-deleted-unreadable.png"));

    // The image menu names the command with its shortcut; its dialog offers the raw extensions first.
    bool enabled = false;
    WhenPopup(CDeviceListPage::kCmdOpenRawImage, &enabled);
    QStringList filters;
    wizardtest::AnswerOpenDialog(image, &filters);
    bool hinted = false;
    WhenModal<CHasCheckboxPromptDlg>([&](CHasCheckboxPromptDlg* dlg) {
        hinted = true;
        QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
    });
    QTest::mouseClick(&page->ImageStrip(), Qt::LeftButton);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(filters, CDeviceListPage::RawImageFilters());
    ASSERT_FALSE(filters.isEmpty());
    EXPECT_TRUE(filters[0].contains(QStringLiteral("*.img")));
    EXPECT_TRUE(filters[0].contains(QStringLiteral("*.dd")));
    // The one volume of the image was scanned at once.
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    EXPECT_TRUE(hinted);
    EXPECT_EQ(GetRecoverySettings()->m_selectedDeviceName, "fat32.img");
    ASSERT_NO_FATAL_FAILURE(CheckFirstFolder(true));
    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    const std::vector<fs::path> made = MadeFolders(out);
    ASSERT_EQ(made.size(), 1u);
    const auto saved = testsupport::SavedFiles(made[0]);
    for (const testsupport::ExpectedFile& e : expected) {
        SCOPED_TRACE(e.path);
        auto found = saved.find(e.path);
        ASSERT_NE(found, saved.end());
        EXPECT_EQ(found->second.sha256, e.sha256);
    }
}

TEST_F(RawImageRoadGui, ALostPartitionOfARawImageOpenedWithCtrlO)
{
    const std::string label = "LOSTNTFS";
    const auto expected = wizardtest::LostDiskFiles(label);
    ASSERT_FALSE(expected.empty());
    const std::string image = Unpack("lost-disk");
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    GetRecoverySettings()->m_recoveryMode = 2;
    CDeviceListPage* page = ChooseMode(2, WP_LOST_RECOVERY_DISK);
    ASSERT_NO_FATAL_FAILURE(ExpectUnreadableDiskShown(page));
    page->grab().save(ScreenshotFolder() + QStringLiteral("/devices-lost-unreadable.png"));

    wizardtest::AnswerOpenDialog(image);
    sheet->SendCommandToPage(CDeviceListPage::kCmdOpenRawImage);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
    auto* partitions = static_cast<CLostRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_PARTITION));
    CDeviceSelectCtrl* list = partitions->GetDeviceList();
    int row = -1;
    for (int i = 0; i < list->GetItemCount(); ++i)
        if (auto* r = static_cast<CLostPartitionRecord*>(list->GetItemData(i)); r && label == r->szLabel) row = i;
    ASSERT_GE(row, 0);
    ASSERT_NO_FATAL_FAILURE(ClickRow(list, row));
    WhenModal<CHasCheckboxPromptDlg>(
        [&](CHasCheckboxPromptDlg* dlg) { QTest::mouseClick(dlg->OKButton(), Qt::LeftButton); });
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    ASSERT_NO_FATAL_FAILURE(CheckFirstFolder(true));
    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    const std::vector<fs::path> made = MadeFolders(out);
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].filename().string().rfind("lost-disk.img (", 0), 0u) << made[0];
    const auto saved = testsupport::SavedFiles(made[0]);
    EXPECT_EQ(saved.size(), expected.size());
    for (const auto& [path, sha] : expected) {
        auto found = saved.find(path.substr(1));
        ASSERT_NE(found, saved.end()) << path;
        EXPECT_EQ(found->second.sha256, sha);
    }
    // Back on the disk page the image stays listed beside the unreadable disk.
    {
        CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
        QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    }
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return page->GetDeviceList()->GetItemCount() == 2 && frame.isEnabled(); }, 30000));
    EXPECT_TRUE(page->GetDeviceList()->View()->Note().isEmpty());
}

TEST_F(RawImageRoadGui, TheFormatPageShowsTheUnreadableDiskAndWhatToDo)
{
    ASSERT_NO_FATAL_FAILURE(OpenSheet());
    GetRecoverySettings()->m_recoveryMode = 1;
    CDeviceListPage* page = ChooseMode(1, WP_COMPLETE_RECOVERY_DEVICE);
    ASSERT_NO_FATAL_FAILURE(ExpectUnreadableDiskShown(page));
    page->grab().save(ScreenshotFolder() + QStringLiteral("/devices-format-unreadable.png"));
}

} // namespace
