// Format and partition recoveries kept across a restart, through the real wizard widgets, offscreen. A
// first run of this program (a child process running the same test in its scan phase) searches a fixture
// image and ends on the found-file page with the state saved; the next run's device page offers "Previous
// Recovery...", Next restores the found-file page without searching, and the files saved from it match the
// fixture's manifest. The same after the child was killed in the middle of a later save: the state saved
// before is restored. Format recovery is run once on a raw image file opened with Ctrl+O and once on the
// image standing as drive C. Screenshots of the partition road's disk page with the row in each language.
#include "wizard/CWizardSheet.h"

#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/CLostRecoveryDiskDeviceSelectController.h"
#include "controller/CLostRecoveryPartitionDeviceSelectController.h"
#include "controller/CLostRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CWizardSheetController.h"
#include "controller/WizardStateFiles.h"
#include "controls/CEditPlus.h"
#include "controls/CHasCheckboxPromptDlg.h"
#include "controls/CResourceLibrary.h"
#include "controls/MessageBox.h"
#include "controls/CTransButton.h"
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "platform/Folders.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/WizardStateFile.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/TempDir.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/saving/CSaveFilePathDlg.h"
#include "views/saving/CSaveFileResultDlg.h"
#include "wizard/CCompleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CFileSelectPage.h"
#include "wizard/CLostRecoveryDiskDeviceSelectPage.h"
#include "wizard/CLostRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CLostRecoveryScanPartitionDeviceSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CSaveFilePage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPhaseVariable = "SALVIX_TEST_STATE_PHASE";
constexpr const char* kMarkerVariable = "SALVIX_TEST_STATE_MARKER";
constexpr const char* kImageVariable = "SALVIX_TEST_STATE_IMAGE";
constexpr const char* kFormatFixture = "format-fat32-as-ntfs";

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

using wizardtest::WhenModal;

// Types path into the next file dialog's name box and accepts, again until the dialog takes it (a dialog
// whose name box has the focus ignores selectFile; a warning box of a refused try is closed).
void AnswerFileDialog(const std::string& path, int timeoutMs = 30000)
{
    auto* timer = new QTimer(testsupport::PerTestOwner());
    auto waited = std::make_shared<int>(0);
    auto tried = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, [timer, path, waited, tried, timeoutMs] {
        *waited += 50;
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && qobject_cast<QFileDialog*>(box->parentWidget())) {
            box->reject();
        } else if (auto* dlg = qobject_cast<QFileDialog*>(modal)) {
            *tried = true;
            if (auto* name = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                name->setText(QString::fromStdString(path));
            else
                dlg->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(dlg)->accept();
        } else if (*tried || *waited > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(50);
}

// A save that stops for good in the middle of its sections, after telling the parent through a file.
class StallingWriter : public CRSDataEx {
public:
    explicit StallingWriter(std::string marker) : CRSDataEx(kModeWrite), m_marker(std::move(marker)) {}
    bool Write(const void* data, unsigned length) override
    {
        if (++m_writes == 40) {
            std::ofstream(m_marker) << "stalled";
            for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
        }
        return CRSDataEx::Write(data, length);
    }

private:
    std::string m_marker;
    int m_writes = 0;
};

class WizardStateGui : public ::testing::Test {
protected:
    void SetUp() override
    {
        CRecoverySettings* settings = GetRecoverySettings();
        settings->m_recoveryMode = 0;
        settings->m_manuallySelectHistoricalPartitions = 0;
        settings->m_recoverRawFiles = 1;
        settings->m_rawFilesOnly = 0;
        CLostRecoveryPartitionDeviceSelectController::HintFlag() = true;
        CLostRecoveryDiskDeviceSelectController::FirstActivationFlag() = true;
        CCompleteRecoveryPartitionDeviceSelectController::FirstActivationFlag() = true;
        phase = std::getenv(kPhaseVariable) ? std::getenv(kPhaseVariable) : "";
        // An earlier run sees the machine its parent set up.
        if (phase.empty()) setenv("SALVIX_DRIVES", "", 1);
    }
    void TearDown() override
    {
        GetLostRecoveryScanPartitionDeviceSelectController()->Reset();
        GetLostRecoveryPartitionDeviceSelectController()->Reset();
        GetLostRecoveryDiskDeviceSelectController()->Reset();
        GetCompleteRecoveryPartitionDeviceSelectController()->Reset();
        sheet.reset();
        SetWizardStateWriterFactory({});
        CResourceLibrary::Instance().UnloadLanguageBundle();
        if (phase.empty()) {
            // The state files a test restored from would offer a "Previous Recovery" row in later tests.
            std::error_code ignored;
            if (!paths.working.empty()) fs::remove(paths.working, ignored);
            if (!paths.last.empty()) fs::remove(paths.last, ignored);
            setenv("SALVIX_DISKS", "", 1);
            setenv("SALVIX_DRIVES", "", 1);
            unsetenv(kImageVariable);
        }
    }

    void Open()
    {
        ASSERT_NO_FATAL_FAILURE(wizardtest::OpenSheetIn(frame, host, controller, sheet));
        volumes = static_cast<CCompleteRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_COMPLETE_RECOVERY_DEVICE));
        disks = static_cast<CLostRecoveryDiskDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_DISK));
        partitions = static_cast<CLostRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_PARTITION));
        scan =
            static_cast<CLostRecoveryScanPartitionDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_SCAN_PARTITION));
        files = static_cast<CFileSelectPage*>(sheet->GetPage(WP_FILE_SELECT));
        savePage = static_cast<CSaveFilePage*>(sheet->GetPage(WP_SAVE_FILE));
        resultPage = static_cast<CSaveResultPage*>(sheet->GetPage(WP_SAVE_RESULT));
        ASSERT_TRUE(volumes && disks && partitions && scan && files && savePage && resultPage);
    }

    void ChoosePartitionRecovery(int rows)
    {
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(2), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_DISK);
        ASSERT_TRUE(QTest::qWaitFor([&] { return disks->GetDeviceList()->GetItemCount() == rows; }, 30000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
    }

    static void ClickRow(CDeviceSelectCtrl* list, int row)
    {
        CDeviceSelectView* view = list->View();
        view->EnsureVisible(row);
        const QRect r = view->RowRect(row).translated(-view->HorzPos(), -view->VertPos());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, r.center());
        ASSERT_EQ(list->GetSelectedIndex(), row);
    }

    int RowOf(const std::string& label)
    {
        CDeviceSelectCtrl* list = partitions->GetDeviceList();
        for (int i = 0; i < list->GetItemCount(); ++i)
            if (auto* r = static_cast<CLostPartitionRecord*>(list->GetItemData(i)); r && label == r->szLabel) return i;
        return -1;
    }

    // The first run: the disk searched, LOSTFAT32 built; the found-file page saved the state.
    void ScanAndBuild()
    {
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery(1));
        ASSERT_NO_FATAL_FAILURE(ClickRow(disks->GetDeviceList(), 0));
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
        const int row = RowOf("LOSTFAT32");
        ASSERT_GE(row, 0);
        ASSERT_NO_FATAL_FAILURE(ClickRow(partitions->GetDeviceList(), row));
        WhenModal<CHasCheckboxPromptDlg>(
            [&](CHasCheckboxPromptDlg* dlg) { QTest::mouseClick(dlg->OKButton(), Qt::LeftButton); });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
    }

    // The first run of a Full Scan: the disk searched whole with every scanner; page 8 took the search and
    // saved the state.
    void FullScanToScanPage()
    {
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery(1));
        ASSERT_NO_FATAL_FAILURE(ClickRow(disks->GetDeviceList(), 0));
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
        CTransButton* box = partitions->FullScanBox();
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return GetLostRecoveryPartitionDeviceSelectController()->GetFullScan() == 1; }));
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_SCAN_PARTITION);
        ASSERT_GE(wizardtest::ScanRowAt(scan, 63), 0);
    }

    // The first folder's check box; with everyFile, the wait is for every file of the tree to be ticked.
    void CheckFirstFolder(bool everyFile = true)
    {
        CTreeCtrlPlus* tree = files->Tree()->Tree();
        QTreeWidgetItem* item = nullptr;
        ASSERT_TRUE(files->Tree()->SelectNodeItem(files->GetRoot()->GetFirstChild(), &item));
        ASSERT_NE(item, nullptr);
        tree->scrollToItem(item);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->StateImageRect(item).center());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                FileTreeStatistics s;
                return files->GetRoot()->GetStatistics(s) && s.files > 0 &&
                       (everyFile ? s.checkedFiles == s.files : s.checkedFiles > 0);
            },
            30000));
        QTest::qWait(50);
    }

    void SaveTo(const std::string& target)
    {
        bool resultShown = false;
        WhenModal<CSaveFilePathDlg>([&](CSaveFilePathDlg* dlg) {
            CEditPlus* edit = savePage->PathEdit();
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, QString::fromStdString(target));
            WhenModal<CSaveFileResultDlg>([&](CSaveFileResultDlg*) {
                resultShown = true;
                QTest::mouseClick(&resultPage->OkButton(), Qt::LeftButton);
            });
            QTest::mouseClick(dlg->OKButton(), Qt::LeftButton);
        });
        QTest::mouseClick(&sheet->RecoverButton(), Qt::LeftButton);
        EXPECT_TRUE(resultShown);
    }

    // The earlier run: this test again in a child process, in the given phase. With a marker, the child is
    // killed once the marker file appears. Returns whether the child ended (or was killed) as planned.
    bool RunEarlierProgram(const char* childPhase, const std::string& marker)
    {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kPhaseVariable), QString::fromLatin1(childPhase));
        env.insert(QString::fromLatin1(kMarkerVariable), QString::fromStdString(marker));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
        if (!child.waitForStarted(30000)) return false;
        if (marker.empty())
            return child.waitForFinished(240000) && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
        const bool stalled =
            QTest::qWaitFor([&] { return fs::exists(marker) || child.state() == QProcess::NotRunning; }, 240000);
        // Taken while the later save hangs: the working file it must not have touched.
        goodState = ReadAll(paths.working);
        child.kill();
        child.waitForFinished(30000);
        return stalled && fs::exists(marker) && child.exitStatus() == QProcess::CrashExit;
    }

    // The next run: "Previous Recovery..." restores the found-file page; the files saved from it are the
    // partition's.
    void RestoreAndSave()
    {
        ASSERT_FALSE(fs::exists(paths.last));
        ASSERT_NO_FATAL_FAILURE(Open());
        // The disk page's first activation promotes the working file: the row heads the list.
        ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery(2));
        ASSERT_TRUE(fs::exists(paths.last));
        CDeviceSelectCtrl* list = disks->GetDeviceList();
        EXPECT_EQ(list->GetItemData(0), nullptr);
        QString rowText;
        for (const auto& cell : list->View()->GetRow(0).cells) rowText += cell.text + QLatin1Char('|');
        EXPECT_TRUE(rowText.contains(QStringLiteral("Results for"))) << rowText.toStdString();
        ASSERT_NO_FATAL_FAILURE(ClickRow(list, 0));
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        EXPECT_TRUE(frame.isEnabled());
        ASSERT_NO_FATAL_FAILURE(CheckFirstFolder());

        const std::map<std::string, std::string> expected = wizardtest::LostDiskFiles("LOSTFAT32");
        ASSERT_FALSE(expected.empty());
        const fs::path out = dir / "recovered";
        SaveTo(out.string());
        std::vector<fs::path> made;
        for (const auto& e : fs::directory_iterator(out)) made.push_back(e.path());
        ASSERT_EQ(made.size(), 1u);
        const std::map<std::string, testsupport::SavedFile> saved = testsupport::SavedFiles(made[0]);
        EXPECT_EQ(saved.size(), expected.size());
        for (const auto& [path, sha] : expected) {
            SCOPED_TRACE(path);
            auto found = saved.find(path.substr(1));
            ASSERT_NE(found, saved.end());
            EXPECT_EQ(found->second.sha256, sha);
        }

        // The chain came back whole: Back leads to the found partitions, restored without a search.
        {
            CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
            QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
        }
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_PARTITION);
        EXPECT_EQ(partitions->GetDeviceList()->GetItemCount(), 3);
    }

    void ChooseFormatRecovery(int rows)
    {
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(1), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_DEVICE);
        // The enumeration has ended (an empty machine lists nothing before or after it).
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !GetCompleteRecoveryPartitionDeviceSelectController()->IsRefreshing() && frame.isEnabled(); },
            30000));
        ASSERT_EQ(volumes->GetDeviceList()->GetItemCount(), rows);
    }

    // The first format run: the fixture searched (opened with Ctrl+O, or as drive C), the recommended
    // partition built at once; the found-file page saved the state.
    void FormatScan(bool rawImage)
    {
        std::vector<std::string> messages;
        CScopedMessageBoxResponder told([&](const MessageBoxRequest& r) {
            messages.push_back(r.text.toStdString());
            return IDOK;
        });
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChooseFormatRecovery(rawImage ? 0 : 1));
        if (rawImage) {
            AnswerFileDialog(std::getenv(kImageVariable));
            sheet->SendCommandToPage(CCompleteRecoveryPartitionDeviceSelectPage::kCmdOpenRawImage);
        } else {
            ASSERT_NO_FATAL_FAILURE(ClickRow(volumes->GetDeviceList(), 0));
            QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        }
        EXPECT_EQ(messages, std::vector<std::string>{});
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
    }

    // The next format run: "Previous Recovery..." restores the found-file page without a search; the files
    // saved from it are those the fixture's manifest says survived, byte for byte.
    void FormatRestoreAndSave(int machineRows)
    {
        ASSERT_FALSE(fs::exists(paths.last));
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChooseFormatRecovery(machineRows + 1));
        ASSERT_TRUE(fs::exists(paths.last));
        CDeviceSelectCtrl* list = volumes->GetDeviceList();
        int row = -1;
        for (int i = 0; i < list->GetItemCount(); ++i)
            if (!list->GetItemData(i)) row = i;
        ASSERT_GE(row, 0);
        ASSERT_NO_FATAL_FAILURE(ClickRow(list, row));
        std::vector<std::string> messages;
        CScopedMessageBoxResponder told([&](const MessageBoxRequest& r) {
            messages.push_back(r.text.toStdString());
            return IDOK;
        });
        bool searched = false;
        WhenModal<CIntelligentSearchingDialog>(
            [&](CIntelligentSearchingDialog* dlg) {
                searched = true;
                QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
            },
            5000);
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        EXPECT_EQ(messages, std::vector<std::string>{});
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        EXPECT_FALSE(searched);
        EXPECT_TRUE(frame.isEnabled());
        ASSERT_NO_FATAL_FAILURE(CheckFirstFolder(false));

        const auto expected = wizardtest::SurvivingFiles(kFormatFixture);
        ASSERT_GE(expected.size(), 7u);
        const fs::path out = dir / "recovered";
        SaveTo(out.string());
        std::map<std::string, std::string> saved;
        for (const auto& [path, file] : testsupport::SavedFiles(out)) saved[path] = file.sha256;
        for (const auto& [tail, sha] : expected) {
            SCOPED_TRACE(tail);
            bool found = false;
            for (const auto& [path, hash] : saved)
                if (hash == sha && path.size() > tail.size() &&
                    path.compare(path.size() - tail.size(), tail.size(), tail) == 0 &&
                    path[path.size() - tail.size() - 1] == '/')
                    found = true;
            EXPECT_TRUE(found);
        }
    }

    testsupport::TempDir dir;
    FrameStandIn frame;
    RecordingHost host;
    CWizardSheetController controller;
    std::unique_ptr<CWizardSheet> sheet;
    CCompleteRecoveryPartitionDeviceSelectPage* volumes = nullptr;
    CLostRecoveryDiskDeviceSelectPage* disks = nullptr;
    CLostRecoveryPartitionDeviceSelectPage* partitions = nullptr;
    CLostRecoveryScanPartitionDeviceSelectPage* scan = nullptr;
    CFileSelectPage* files = nullptr;
    CSaveFilePage* savePage = nullptr;
    CSaveResultPage* resultPage = nullptr;
    std::string phase;
    WizardStatePaths paths;
    std::vector<uint8_t> goodState;
};

// The lost-disk image of this run and the state files, shared with the earlier run through the environment.
std::string PrepareDisk(const testsupport::TempDir& dir)
{
    if (const char* disks = std::getenv("SALVIX_DISKS"); disks && *disks && fs::exists(disks)) return disks;
    const std::string image = (dir / "lost-disk.img").string();
    EXPECT_EQ(std::system(("xz -dc '" + testsupport::FixturePath("lost-disk.img.xz") + "' > '" + image + "'").c_str()),
              0);
    setenv("SALVIX_DISKS", image.c_str(), 1);
    return image;
}

// The format fixture unpacked for this run and its children.
std::string PrepareFormatImage(const testsupport::TempDir& dir)
{
    const std::string image = (dir / (std::string(kFormatFixture) + ".img")).string();
    EXPECT_EQ(std::system(("xz -dc '" + testsupport::FixturePath(std::string(kFormatFixture) + ".img.xz") + "' > '" +
                           image + "'")
                              .c_str()),
              0);
    setenv(kImageVariable, image.c_str(), 1);
    return image;
}

} // namespace

// A raw image file opened with Ctrl+O: the next run opens the same file again, by its path, size and
// signature, and restores the scan over it.
TEST_F(WizardStateGui, AFormatRecoveryOfARawImageComesBackAfterARestart)
{
    ASSERT_TRUE(GetRecoveryStatePaths(kScanFormat, paths));
    if (phase == "format-scan") {
        ASSERT_NO_FATAL_FAILURE(FormatScan(true));
        return;
    }
    PrepareFormatImage(dir);
    fs::remove(paths.working);
    fs::remove(paths.last);
    ASSERT_TRUE(RunEarlierProgram("format-scan", ""));
    ASSERT_TRUE(IsCompleteWizardStateFile(paths.working));
    const std::vector<uint8_t> saved = ReadAll(paths.working);
    ASSERT_NO_FATAL_FAILURE(FormatRestoreAndSave(0));
    EXPECT_EQ(ReadAll(paths.last), saved);
}

// Drive C standing on the image: the later save hangs and the process is killed; the state saved before is
// restored.
TEST_F(WizardStateGui, AFormatSaveKilledMidwayLeavesTheStateSavedBefore)
{
    ASSERT_TRUE(GetRecoveryStatePaths(kScanFormat, paths));
    if (phase == "format-kill") {
        ASSERT_NO_FATAL_FAILURE(FormatScan(false));
        const std::string marker = std::getenv(kMarkerVariable);
        SetWizardStateWriterFactory([marker] { return std::make_unique<StallingWriter>(marker); });
        SaveRecoveryStateWithProgress(GetFileSelectController(), 1);
        ADD_FAILURE() << "the stalled save returned";
        return;
    }
    const std::string image = PrepareFormatImage(dir);
    setenv("SALVIX_DISKS", image.c_str(), 1);
    setenv("SALVIX_DRIVES", ("C=" + image).c_str(), 1);
    fs::remove(paths.working);
    fs::remove(paths.last);
    const std::string marker = (dir / "stalled").string();
    ASSERT_TRUE(RunEarlierProgram("format-kill", marker));
    ASSERT_FALSE(goodState.empty());
    EXPECT_EQ(ReadAll(paths.working), goodState);
    ASSERT_NO_FATAL_FAILURE(FormatRestoreAndSave(1));
    EXPECT_EQ(ReadAll(paths.last), goodState);
}

TEST_F(WizardStateGui, APartitionRecoveryComesBackAfterARestart)
{
    ASSERT_TRUE(GetRecoveryStatePaths(kScanPartition, paths));
    if (phase == "scan") {
        ASSERT_NO_FATAL_FAILURE(ScanAndBuild());
        return;
    }
    PrepareDisk(dir);
    fs::remove(paths.working);
    fs::remove(paths.last);
    ASSERT_TRUE(RunEarlierProgram("scan", ""));
    ASSERT_TRUE(IsCompleteWizardStateFile(paths.working));
    const std::vector<uint8_t> saved = ReadAll(paths.working);
    ASSERT_NO_FATAL_FAILURE(RestoreAndSave());
    // The restored file became the working file again, as it was saved.
    EXPECT_EQ(ReadAll(paths.last), saved);

    // The row in each language.
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        ASSERT_TRUE(CResourceLibrary::Instance().LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") +
                                                                    language + ".rcc"));
        sheet.reset();
        GetLostRecoveryPartitionDeviceSelectController()->Reset();
        GetLostRecoveryDiskDeviceSelectController()->Reset();
        GetFileSelectController()->Reset();
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery(2));
        wizardtest::SavePageInEveryForm(&frame, folder + QStringLiteral("/wizard-previousrecovery-%1").arg(language));
    }
}

TEST_F(WizardStateGui, ASaveKilledMidwayLeavesTheStateSavedBefore)
{
    ASSERT_TRUE(GetRecoveryStatePaths(kScanPartition, paths));
    if (phase == "kill") {
        ASSERT_NO_FATAL_FAILURE(ScanAndBuild());
        // A later save of the same page hangs halfway through its file and the process is killed.
        const std::string marker = std::getenv(kMarkerVariable);
        SetWizardStateWriterFactory([marker] { return std::make_unique<StallingWriter>(marker); });
        SaveRecoveryStateWithProgress(GetFileSelectController(), 1);
        ADD_FAILURE() << "the stalled save returned";
        return;
    }
    PrepareDisk(dir);
    fs::remove(paths.working);
    fs::remove(paths.last);
    const std::string marker = (dir / "stalled").string();
    ASSERT_TRUE(RunEarlierProgram("kill", marker));
    ASSERT_FALSE(goodState.empty());
    EXPECT_EQ(ReadAll(paths.working), goodState);
    ASSERT_NO_FATAL_FAILURE(RestoreAndSave());
    EXPECT_EQ(ReadAll(paths.last), goodState);
}

// A Full Scan of the disk comes back on page 8 with what every scanner found, without a search; the FAT32
// partition ticked there is built and its files saved as the manifest has them; Back returns to page 8.
TEST_F(WizardStateGui, AFullScanComesBackOnItsScanPageAfterARestart)
{
    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
    ASSERT_TRUE(GetRecoveryStatePaths(kScanPartition, paths));
    if (phase == "fullscan") {
        ASSERT_NO_FATAL_FAILURE(FullScanToScanPage());
        return;
    }
    PrepareDisk(dir);
    fs::remove(paths.working);
    fs::remove(paths.last);
    ASSERT_TRUE(RunEarlierProgram("fullscan", ""));
    ASSERT_TRUE(IsCompleteWizardStateFile(paths.working));

    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChoosePartitionRecovery(2));
    CDeviceSelectCtrl* disksList = disks->GetDeviceList();
    ASSERT_EQ(disksList->GetItemData(0), nullptr);
    ASSERT_NO_FATAL_FAILURE(ClickRow(disksList, 0));
    std::vector<std::string> messages;
    CScopedMessageBoxResponder told([&](const MessageBoxRequest& r) {
        messages.push_back(r.text.toStdString());
        return IDOK;
    });
    bool searched = false;
    WhenModal<CIntelligentSearchingDialog>(
        [&](CIntelligentSearchingDialog* dlg) {
            searched = true;
            QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
        },
        5000);
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    EXPECT_EQ(messages, std::vector<std::string>{});
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_SCAN_PARTITION);
    EXPECT_FALSE(searched);
    const int fat = wizardtest::ScanRowAt(scan, 63);
    ASSERT_GE(fat, 0);
    EXPECT_GE(wizardtest::ScanRowAt(scan, 81920), 0);
    EXPECT_GE(wizardtest::ScanRowAt(scan, 112455), 0);

    // Only the FAT32 partition ticked, then built.
    CMultipleChoosePartitionListCtrl* list = scan->PartitionList();
    QTest::qWait(50);
    for (int row = 0; row < list->GetItemCount(); ++row) {
        if (list->GetCheck(row) != (row == fat)) {
            ASSERT_NO_FATAL_FAILURE(wizardtest::ClickScanTick(scan, row));
        }
    }
    ASSERT_EQ(list->GetCheckedCount(), 1);
    // The page showed the partitions: Back from the found files returns to it, whatever the option says.
    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 0;
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
    ASSERT_NO_FATAL_FAILURE(CheckFirstFolder());

    const std::map<std::string, std::string> expected = wizardtest::LostDiskFiles("LOSTFAT32");
    ASSERT_FALSE(expected.empty());
    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    std::map<std::string, std::string> saved;
    for (const auto& [path, file] : testsupport::SavedFiles(out)) saved[path] = file.sha256;
    for (const auto& [path, sha] : expected) {
        SCOPED_TRACE(path);
        bool found = false;
        for (const auto& [savedPath, hash] : saved)
            if (hash == sha && savedPath.size() >= path.size() &&
                savedPath.compare(savedPath.size() - path.size(), path.size(), path) == 0)
                found = true;
        EXPECT_TRUE(found);
    }
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_LOST_RECOVERY_SCAN_PARTITION);
}
