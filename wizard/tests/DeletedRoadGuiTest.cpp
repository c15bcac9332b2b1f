// The deleted-file road through the real wizard widgets, offscreen: the mode button of page 0, the volume list
// of page 1 (the fixture image standing in for drive C), Next, the hint, the found-file page's check box of
// "Deleted Files", Recover, the save-path dialog's edit and OK, the save progress and the result dialog's OK.
// The saved files are compared with the fixture's manifest (names, bytes, modification times); a second run
// into the same folder numbers its folder and changes nothing of the first; a target on the scanned source
// asks, and "No" keeps the save-path dialog open. The scan runs under the build progress dialog. The image
// menu makes an image of the volume that is listed and scans as the volume does, refuses to list it twice and
// removes it; the preview shows a deleted file whose Recover saves it; the tools bar exports the recovery
// state. Screenshots of every page in each language.
#include "wizard/CWizardSheet.h"

#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/CSaveFileController.h"
#include "controller/CWizardSheetController.h"
#include "controller/ModeDeviceControllers.h"
#include "controls/CEditPlus.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/MessageBox.h"
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/IFileProperties.h"
#include "tests/support/FixtureManifests.h"
#include "storage/recoverystate/CMBKArchive.h"
#include "tests/support/TempDir.h"
#include "views/devices/CBuildDirectoryDlg.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/diskimage/CImageDiskSteps.h"
#include "views/diskimage/COpenDiskImageMasterDlg.h"
#include "views/diskimage/DiskImageFileDialog.h"
#include "views/preview/CFilePreViewDlg.h"
#include "views/saving/CFileSaveDlg.h"
#include "views/saving/CSaveFilePathDlg.h"
#include "views/saving/CSaveFileResultDlg.h"
#include "wizard/CDeleteRecoveryPartitionDeviceSelectPage.h"
#include "views/files/CFileListCtrl.h"
#include "views/files/CFileSelectCtrlContainer.h"
#include "wizard/CFileSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CSaveFilePage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

namespace fs = std::filesystem;

namespace {

using wizardtest::ScreenshotFolder;
using wizardtest::WhenModal;

using wizardtest::WhenPopup;

// Counts the build progress dialogs shown.
class BuildDialogWatch : public QObject {
public:
    BuildDialogWatch() { qApp->installEventFilter(this); }
    ~BuildDialogWatch() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show && qobject_cast<CBuildDirectoryDlg*>(o)) ++shown;
        return false;
    }
};

CFileNode* FindFileEndingWith(CFileNode* folder, const char* suffix)
{
    for (CFileNode* child = folder ? folder->GetFirstChild() : nullptr; child; child = child->GetNextSibling()) {
        const IFileProperties* p = child->GetProperties();
        const std::string name = p && p->GetName() ? p->GetName() : "";
        if (name.size() >= std::strlen(suffix) &&
            name.compare(name.size() - std::strlen(suffix), std::string::npos, suffix) == 0)
            return child;
        if (CFileNode* found = FindFileEndingWith(child, suffix)) return found;
    }
    return nullptr;
}

class DeletedRoadGui : public wizardtest::RoadGui {
protected:
    void SetUp() override
    {
        GetRecoverySettings()->m_recoveryMode = 0;
        CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = true;
    }

    void Open()
    {
        ASSERT_NO_FATAL_FAILURE(OpenSheet());
        volumes = static_cast<CDeleteRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_DELETE_RECOVERY_VOLUME));
        ASSERT_TRUE(volumes);
    }

    // Page 0's deleted-file button, then the volume list filled by its worker.
    void ChooseDeletedFileRecovery()
    {
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(0), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_DELETE_RECOVERY_VOLUME);
        ASSERT_TRUE(QTest::qWaitFor([&] { return volumes->GetDeviceList()->GetItemCount() > 0; }, 30000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
    }

    void ClickRow(int index) { RoadGui::ClickRow(volumes->GetDeviceList(), index); }

    // A click on the volume's row, Next, and OK on the hint; the found-file page follows after the build
    // progress dialog.
    void ScanFirstVolume(bool hintExpected) { ScanRow(0, hintExpected); }
    void ScanRow(int index, bool hintExpected)
    {
        ASSERT_NO_FATAL_FAILURE(ClickRow(index));
        BuildDialogWatch watch;
        bool hinted = false;
        if (hintExpected)
            WhenModal<CHasCheckboxPromptDlg>([&](CHasCheckboxPromptDlg* dlg) {
                hinted = true;
                QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
            });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        EXPECT_EQ(hinted, hintExpected);
        EXPECT_EQ(watch.shown, 1);
        EXPECT_TRUE(frame.isEnabled());
        EXPECT_TRUE(sheet->RecoverButton().isVisible());
    }

    // The check box of "Deleted Files" in the folder tree; every file ends checked.
    void CheckDeletedFiles(bool byKey = false) { CheckFirstFolder(true, byKey); }

    CDeleteRecoveryPartitionDeviceSelectPage* volumes = nullptr;
};

struct Road {
    const char* fixture;
    testsupport::ManifestKind manifest;
};

class DeletedRoadFixtures : public DeletedRoadGui, public ::testing::WithParamInterface<Road> {};

TEST_P(DeletedRoadFixtures, DeletedFilesComeBackThroughTheWindow)
{
    const Road& road = GetParam();
    const std::vector<testsupport::ExpectedFile> expected =
        testsupport::DeletedFileExpectations(road.fixture, road.manifest);
    ASSERT_FALSE(expected.empty());
    const std::string image = Unpack(road.fixture);
    UseImage(image);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseDeletedFileRecovery());
    EXPECT_TRUE(volumes->GetDeviceList()->View()->GetRow(0).cells.size() > 0);
    ASSERT_NO_FATAL_FAILURE(ScanFirstVolume(true));
    ASSERT_NO_FATAL_FAILURE(CheckDeletedFiles());

    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    std::vector<fs::path> made;
    for (const auto& e : fs::directory_iterator(out)) made.push_back(e.path());
    ASSERT_EQ(made.size(), 1u);
    const std::map<std::string, testsupport::SavedFile> saved = testsupport::SavedFiles(made[0]);
    for (const testsupport::ExpectedFile& e : expected) {
        SCOPED_TRACE(e.path);
        auto found = saved.find(e.path);
        ASSERT_NE(found, saved.end());
        EXPECT_EQ(found->second.sha256, e.sha256);
        EXPECT_EQ(found->second.mtime, e.mtime);
        EXPECT_EQ(found->second.mtimeNs, e.mtimeNs);
    }
    // The result dialog told what was saved.
    EXPECT_TRUE(resultPage->Summary()->Line(CFileSaveDlg::kTotalId)->text().contains(QString::number(saved.size())));

    // Again into the same folder: a numbered folder of copies beside the first, which stays as it was.
    SaveTo(out.string());
    std::vector<fs::path> both;
    for (const auto& e : fs::directory_iterator(out)) both.push_back(e.path());
    std::sort(both.begin(), both.end());
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[0], made[0]);
    EXPECT_EQ(both[1].filename().string(), made[0].filename().string() + "_000");
    const auto again = testsupport::SavedFiles(made[0]);
    ASSERT_EQ(again.size(), saved.size());
    for (const auto& [path, file] : saved) {
        EXPECT_EQ(again.at(path).inode, file.inode) << path;
        EXPECT_EQ(again.at(path).sha256, file.sha256) << path;
    }
    EXPECT_EQ(testsupport::SavedFiles(both[1]).size(), saved.size());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, DeletedRoadFixtures,
                         ::testing::Values(Road{"fat32", testsupport::ManifestKind::Fat},
                                           Road{"ext2-1k", testsupport::ManifestKind::Ext2},
                                           Road{"ntfs_tree_c4k", testsupport::ManifestKind::Ntfs}),
                         [](const ::testing::TestParamInfo<Road>& info) {
                             std::string name = info.param.fixture;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

int AlwaysOnSource(const char*)
{
    return 1;
}

TEST_F(DeletedRoadGui, ATargetOnTheScannedSourceAsksAndNoKeepsThePage)
{
    const std::string image = Unpack("fat32");
    UseImage(image);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseDeletedFileRecovery());
    ASSERT_NO_FATAL_FAILURE(ScanFirstVolume(true));
    ASSERT_NO_FATAL_FAILURE(CheckDeletedFiles());
    // Fixture images cannot be mounted without privileges, so the target's folder stands on the scanned
    // volume by the source test's answer; everything else is the real road.
    SetRecoverySourcePathTest(AlwaysOnSource);
    std::vector<MessageBoxRequest> asked;
    CScopedMessageBoxResponder no([&](const MessageBoxRequest& r) {
        asked.push_back(r);
        return IDNO;
    });
    const fs::path out = dir / "same";
    bool stillOpen = false;
    WhenModal<CSaveFilePathDlg>([&](CSaveFilePathDlg* dlg) {
        QTest::keyClicks(savePage->PathEdit(), QString::fromStdString(out.string()));
        QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
        stillOpen = dlg->isVisible();
        QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
    });
    QTest::mouseClick(&sheet->RecoverButton(), Qt::LeftButton);
    SetRecoverySourcePathTest(nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, CResourceLibrary::Instance().LoadString(CSaveFileController::kSameDrive));
    EXPECT_EQ(asked[0].type, unsigned(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);

    // Back asks before the tree goes; No keeps it, Yes returns to the volume list.
    asked.clear();
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    EXPECT_NE(files->GetRoot(), nullptr);
}

TEST_F(DeletedRoadGui, NothingChosenAndNothingCheckedAreTold)
{
    const std::string image = Unpack("fat32");
    UseImage(image);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseDeletedFileRecovery());
    std::vector<QString> told;
    {
        CScopedMessageBoxResponder ok([&](const MessageBoxRequest& r) {
            told.push_back(r.text);
            return IDOK;
        });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    }
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], CResourceLibrary::Instance().LoadString(143));
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_DELETE_RECOVERY_VOLUME);

    ASSERT_NO_FATAL_FAILURE(ScanFirstVolume(true));
    told.clear();
    {
        CScopedMessageBoxResponder ok([&](const MessageBoxRequest& r) {
            told.push_back(r.text);
            return IDOK;
        });
        QTest::mouseClick(&sheet->RecoverButton(), Qt::LeftButton);
    }
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], CResourceLibrary::Instance().LoadString(139));
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);

    // The found-file page's views go with the page.
    QPointer<QWidget> views = files->Container(), results = files->SearchList();
    ASSERT_TRUE(views && results);
    sheet.reset();
    EXPECT_FALSE(views);
    EXPECT_FALSE(results);
}

TEST_F(DeletedRoadGui, AnImageMadeFromTheImageMenuIsListedOnceScannedLikeItsVolumeAndRemoved)
{
    const std::string image = Unpack("fat32");
    UseImage(image);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseDeletedFileRecovery());
    ASSERT_NO_FATAL_FAILURE(ScanFirstVolume(true));
    FileTreeStatistics ofVolume;
    files->GetRoot()->GetStatistics(ofVolume);
    {
        CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
        QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    }
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_DELETE_RECOVERY_VOLUME);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return frame.isEnabled() && volumes->GetDeviceList()->GetItemCount() == 1; }, 30000));

    // Without a selected row only "Open Disk Image" can be chosen.
    bool enabled = true;
    WhenPopup(CDeleteRecoveryPartitionDeviceSelectPage::kCmdDiskImage, &enabled);
    QTest::mouseClick(&volumes->ImageStrip(), Qt::LeftButton);
    EXPECT_FALSE(enabled);

    // "Disk Image" on the volume's row: the simple mode of the wizard to its end, "open in the list" left ticked.
    ASSERT_NO_FATAL_FAILURE(ClickRow(0));
    const std::string typed = (dir / "volume-copy").string();
    bool imaged = false;
    wizardtest::AnswerImageWizard(typed, &imaged);
    WhenPopup(CDeleteRecoveryPartitionDeviceSelectPage::kCmdDiskImage, &enabled);
    QTest::mouseClick(&volumes->ImageStrip(), Qt::LeftButton);
    ASSERT_TRUE(imaged);
    ASSERT_EQ(volumes->GetDeviceList()->GetItemCount(), 2);
    EXPECT_TRUE(fs::exists(typed + ".kxi"));

    // The same image again through the open wizard: told that it is open already, listed once.
    std::vector<QString> told;
    {
        CScopedMessageBoxResponder ok([&](const MessageBoxRequest& r) {
            told.push_back(r.text);
            return IDOK;
        });
        bool opened = false;
        WhenModal<COpenDiskImageMasterDlg>([&](COpenDiskImageMasterDlg* dlg) {
            QTest::mouseClick(dlg->NextButton(), Qt::LeftButton);
            QTest::keyClicks(dlg->PathPane()->Edit(), QString::fromStdString(typed + ".kxi"));
            QTest::mouseClick(dlg->NextButton(), Qt::LeftButton);
            ASSERT_EQ(dlg->CurrentStep(), COpenDiskImageMasterDlg::kSuccess);
            opened = true;
            QTest::mouseClick(dlg->NextButton(), Qt::LeftButton);
        });
        WhenPopup(CDeleteRecoveryPartitionDeviceSelectPage::kCmdOpenDiskImage);
        QTest::mouseClick(&volumes->ImageStrip(), Qt::LeftButton);
        EXPECT_TRUE(opened);
    }
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], CResourceLibrary::Instance().LoadString(131));
    EXPECT_EQ(volumes->GetDeviceList()->GetItemCount(), 2);

    // The image's row scans into the same found files as the volume.
    ASSERT_NO_FATAL_FAILURE(ScanRow(1, true));
    FileTreeStatistics ofImage;
    files->GetRoot()->GetStatistics(ofImage);
    EXPECT_EQ(ofImage.files, ofVolume.files);
    EXPECT_EQ(ofImage.bytes, ofVolume.bytes);
    {
        CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
        QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    }
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return frame.isEnabled() && volumes->GetDeviceList()->GetItemCount() == 2; }, 30000));

    // "Delete Image" takes the row and the record away; the volume's row stays.
    ASSERT_NO_FATAL_FAILURE(ClickRow(1));
    WhenPopup(CDeleteRecoveryPartitionDeviceSelectPage::kCmdDeleteImage, &enabled);
    QTest::mouseClick(&volumes->ImageStrip(), Qt::LeftButton);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(volumes->GetDeviceList()->GetItemCount(), 1);
    EXPECT_EQ(GetDeleteRecoveryPartitionDeviceSelectController()->GetImageCount(), 0u);
}

TEST_F(DeletedRoadGui, PreviewShowsADeletedFileWhoseRecoverSavesItAndTheToolsBarExportsTheState)
{
    const std::string image = Unpack("fat32");
    UseImage(image);
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseDeletedFileRecovery());
    ASSERT_NO_FATAL_FAILURE(ScanFirstVolume(true));

    // A deleted file of the fixture, selected in the list of its folder.
    CFileNode* file = FindFileEndingWith(files->GetRoot(), "ELROOT.DAT");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(files->Tree()->SelectNodeItem(file->GetParent(), nullptr));
    files->FileList()->SelectNode(file);
    ASSERT_GE(files->FileList()->GetSelectedItem(), 0);

    // Preview, then the preview's Recover: the single-file save asks for a target and writes the file there.
    const fs::path saved = dir / "single" / "DELROOT.DAT";
    fs::create_directories(saved.parent_path());
    std::vector<diskimg::FileDialogRequest> asked;
    diskimg::CScopedFileDialogResponder answer([&](const diskimg::FileDialogRequest& r) {
        asked.push_back(r);
        return QString::fromStdString(asked.size() == 1 ? saved.string() : (dir / "state").string());
    });
    bool previewed = false;
    WhenModal<CFilePreViewDlg>([&](CFilePreViewDlg* dlg) {
        previewed = true;
        QTest::mouseClick(dlg->RecoverButton(), Qt::LeftButton);
    });
    QTest::mouseClick(&files->PreviewButton(), Qt::LeftButton);
    ASSERT_TRUE(previewed);
    ASSERT_TRUE(QTest::qWaitFor([&] { return fs::exists(saved) && !QApplication::activeModalWidget(); }, 30000));
    std::string wanted;
    for (const testsupport::ExpectedFile& e :
         testsupport::DeletedFileExpectations("fat32", testsupport::ManifestKind::Fat))
        if (e.path.size() >= 10 && e.path.compare(e.path.size() - 10, 10, "ELROOT.DAT") == 0) wanted = e.sha256;
    ASSERT_FALSE(wanted.empty());
    const auto savedFiles = testsupport::SavedFiles(saved.parent_path());
    ASSERT_EQ(savedFiles.size(), 1u);
    EXPECT_EQ(savedFiles.begin()->second.sha256, wanted);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_TRUE(asked[0].suggested.endsWith(QStringLiteral("ELROOT.DAT")));

    // A deleted-file recovery keeps no state file: the tools bar offers no export of it.
    bool enabled = true;
    WhenPopup(CFileSelectPage::kCmdExportState, &enabled);
    QTest::mouseClick(&files->ToolsBar(), Qt::LeftButton);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(asked.size(), 1u);

    // Reached from a format recovery, the same tree can be exported: a name without ".rsf" gets it, and the
    // user is told it worked.
    struct FormatRecoveryStandIn : CountingController {
        int GetScanKind() override { return 1; }
    } format;
    IWizardPageController* previous = GetFileSelectController()->GetPrevious();
    GetFileSelectController()->SetPrevious(&format);
    std::vector<QString> told;
    {
        CScopedMessageBoxResponder ok([&](const MessageBoxRequest& r) {
            told.push_back(r.text);
            return IDOK;
        });
        WhenPopup(CFileSelectPage::kCmdExportState, &enabled);
        QTest::mouseClick(&files->ToolsBar(), Qt::LeftButton);
    }
    GetFileSelectController()->SetPrevious(previous);
    EXPECT_TRUE(enabled);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[1].save);
    EXPECT_TRUE(asked[1].suggested.endsWith(QStringLiteral("_ZUL_CR.rsf"))) << asked[1].suggested.toStdString();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], CResourceLibrary::Instance().LoadString(CFileSelectPage::kExportDone));
    EXPECT_GE(fs::file_size(dir / "state.rsf"), CMBKArchive::BlockSize(0));
}

TEST(FoundFilePageExport, NamesAndSuffixes)
{
    const QDateTime when(QDate(2024, 3, 7), QTime(9, 5));
    EXPECT_EQ(CFileSelectPage::DefaultExportName(when, 1), "2024-03-07_09_05_ZUL_CR.rsf");
    EXPECT_EQ(CFileSelectPage::DefaultExportName(when, 2), "2024-03-07_09_05_ZUL_PR.rsf");
    EXPECT_EQ(CFileSelectPage::DefaultExportName(when, 0), "2024-03-07_09_05_ZUL_PR.rsf");
    const struct {
        const char* chosen;
        const char* written;
    } cases[] = {
        {"/tmp/a.rsf", "/tmp/a.rsf"}, {"/tmp/a", "/tmp/a.rsf"}, {"/tmp/a.RSF", "/tmp/a.RSF.rsf"},
        {".rsf", ".rsf.rsf"},         {"a.rs", "a.rs.rsf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CFileSelectPage::WithExportSuffix(QString::fromLatin1(c.chosen)), QString::fromLatin1(c.written))
            << c.chosen;
}

TEST_F(DeletedRoadGui, ScreenshotsOfEveryPageInEachLanguage)
{
    const std::string image = Unpack("fat32");
    UseImage(image);
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = true;
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChooseDeletedFileRecovery());
        const QString prefix = folder + QStringLiteral("/deleted-road-%1").arg(language);
        CDeviceSelectView* view = volumes->GetDeviceList()->View();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->RowRect(0).center());
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-volumes"));
        WhenModal<CHasCheckboxPromptDlg>([&](CHasCheckboxPromptDlg* dlg) {
            dlg->grab().save(prefix + QStringLiteral("-hint.png"));
            // The hint's words fit its box in every language.
            QLabel* text = dlg->TextLabel();
            EXPECT_LE(text->heightForWidth(text->width()), text->height());
            QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
        });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        ASSERT_NO_FATAL_FAILURE(CheckDeletedFiles(true));
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-files"));
        SaveTo((dir / ("shots-" + language.toStdString())).string(), prefix);
        sheet.reset();
        lib.UnloadLanguageBundle();
    }
}

} // namespace
