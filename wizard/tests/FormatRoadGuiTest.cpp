// Format and photo recovery through the real wizard widgets, offscreen: the mode button of page 0, the
// device list of page 2 (the fixture image standing in for disk and drive C), Next, the intelligent search
// running under its dialog, the trees of the recommended partitions built at once (or, without any
// partition, the "Raw Files" of the signature hits), the found-file page, Recover into a folder. The saved
// files are compared with what the image holds. A cancelled search goes on with what it found; the manual
// option lists every partition of a disk; screenshots of pages 2 and 7 in each language.
#include "wizard/CDeviceListPage.h"
#include "wizard/CWizardSheet.h"

#include "controller/IWizardServices.h"
#include "controller/CCompleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CCompleteRecoveryScanPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/CWizardSheetController.h"
#include "controls/CEditPlus.h"
#include "controls/CResourceLibrary.h"
#include "controls/CTransButton.h"
#include "controls/CXPMenu.h"
#include "controls/MessageBox.h"
#include "platform/Folders.h"
#include "storage/recoverystate/CMBKArchive.h"
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/RawImageComposer.h"
#include "tests/support/TempDir.h"
#include "views/devices/CDeviceSelectCtrl.h"
#include "views/devices/CDeviceSelectView.h"
#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/CLostPartitionCtrlContainer.h"
#include "views/devices/CPartitionLayoutFrame.h"
#include "views/devices/CMultipleChoosePartitionListCtrl.h"
#include "views/diskimage/DiskImageFileDialog.h"
#include "views/files/CFileTreeCtrl.h"
#include "views/files/CTreeCtrlPlus.h"
#include "views/saving/CSaveFilePathDlg.h"
#include "views/saving/CSaveFileResultDlg.h"
#include "wizard/CCompleteRecoveryPartitionDeviceSelectPage.h"
#include "wizard/CCompleteRecoveryScanPartitionDeviceSelectPage.h"
#include "wizard/CFileSelectPage.h"
#include "wizard/CLostRecoveryDiskDeviceSelectPage.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CSaveFilePage.h"
#include "wizard/CSaveResultPage.h"
#include "wizard/StateArchiveImport.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using wizardtest::ScreenshotFolder;
using wizardtest::WhenModal;

using wizardtest::WhenPopup;

// Counts the intelligent-search dialogs shown.
class SearchDialogWatch : public QObject {
public:
    SearchDialogWatch() { qApp->installEventFilter(this); }
    ~SearchDialogWatch() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show && qobject_cast<CIntelligentSearchingDialog*>(o)) ++shown;
        return false;
    }
};

// Records the recovery phases the controllers log while it lives (3: the user stopped a search).
class PhaseWatch : public IWizardServices {
public:
    PhaseWatch() : m_before(GetWizardServices()) { SetWizardServices(this); }
    ~PhaseWatch() override { SetWizardServices(m_before); }
    std::vector<unsigned> phases;
    unsigned LogRecoveryPhase(unsigned code) override
    {
        phases.push_back(code);
        return code;
    }
    void ReportEvent(unsigned) override {}
    void ReportTimedEvent(unsigned, uint64_t) override {}
    void ShowAdvanceSetting(bool) override {}

private:
    IWizardServices* m_before;
};

// The row without a record ("Previous Recovery..."), -1 when the list has none.
int PreviousRecoveryRow(CDeviceSelectPage* page)
{
    CDeviceSelectCtrl* list = page->GetDeviceList();
    for (int i = 0; i < list->GetItemCount(); ++i)
        if (!list->GetItemData(i)) return i;
    return -1;
}

// The state files in the state folder, with their sizes.
std::map<std::string, uintmax_t> StateFiles()
{
    std::map<std::string, uintmax_t> files;
    std::error_code ec;
    for (const fs::directory_entry& f : fs::directory_iterator(plat::StateFolder(), ec))
        if (f.path().extension() == ".rdf") files[f.path().filename().string()] = f.file_size(ec);
    return files;
}

void ClearStateFolder()
{
    for (const auto& [name, size] : StateFiles()) fs::remove(plat::StateFolder() / name);
}

// Chooses the import entry of the image menu under strip and answers its open dialog with archive and a
// question with question; the messages the user was shown.
std::vector<QString> ImportThroughImageMenu(CButtonPlus& strip, unsigned command, const fs::path& archive,
                                            int question = IDNO)
{
    std::vector<QString> told;
    int asked = 0;
    diskimg::CScopedFileDialogResponder answer([&](const diskimg::FileDialogRequest& request) {
        ++asked;
        EXPECT_FALSE(request.save);
        EXPECT_TRUE(request.filter.contains(QStringLiteral("*.rsf"))) << request.filter.toStdString();
        return QString::fromStdString(archive.string());
    });
    CScopedMessageBoxResponder ok([&](const MessageBoxRequest& r) {
        told.push_back(r.text);
        return (r.type & 0xF) == MB_YESNO ? question : IDOK;
    });
    bool enabled = false;
    WhenPopup(command, &enabled);
    QTest::mouseClick(&strip, Qt::LeftButton);
    EXPECT_TRUE(enabled);
    EXPECT_EQ(asked, 1);
    return told;
}

class FormatRoadGui : public wizardtest::RoadGui {
protected:
    void SetUp() override
    {
        CRecoverySettings* s = GetRecoverySettings();
        s->m_recoveryMode = 1;
        s->m_manuallySelectHistoricalPartitions = 0;
        s->m_recoverRawFiles = 1;
        s->m_rawFilesOnly = 0;
    }
    void TearDown() override
    {
        // The controllers outlive the sheet, as they do the program's windows: an image opened here must not be
        // listed in a later test.
        GetCompleteRecoveryScanPartitionDeviceSelectController()->Reset();
        GetCompleteRecoveryPartitionDeviceSelectController()->Reset();
        RoadGui::TearDown();
        GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 0;
    }

    void Open()
    {
        ASSERT_NO_FATAL_FAILURE(OpenSheet());
        devices = static_cast<CCompleteRecoveryPartitionDeviceSelectPage*>(sheet->GetPage(WP_COMPLETE_RECOVERY_DEVICE));
        partitions = static_cast<CCompleteRecoveryScanPartitionDeviceSelectPage*>(
            sheet->GetPage(WP_COMPLETE_RECOVERY_SCAN_PARTITION));
        ASSERT_TRUE(devices && partitions);
    }

    // Page 0's button (1 format, 3 photo recovery), then the device list filled by its worker.
    void ChooseMode(int button)
    {
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(button), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_DEVICE);
        ASSERT_TRUE(QTest::qWaitFor([&] { return devices->GetDeviceList()->GetItemCount() > 0; }, 30000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
    }

    void ClickRow(int n) { RoadGui::ClickRow(devices->GetDeviceList(), n); }

    // Every file of the found tree ticked by a click on the first folder's check box.
    void CheckEverything() { CheckFirstFolder(false); }

    // Saves what is ticked into out and expects each file there under its name, byte for byte.
    void ExpectSavedWithNames(const std::vector<std::pair<std::string, std::string>>& expected, const fs::path& out)
    {
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

    // Ctrl+O: the file dialog answered with path through its file name box and its Open button; the search
    // of the image runs before this returns.
    void OpenRawImage(const std::string& path)
    {
        bool asked = false;
        wizardtest::AnswerOpenDialog(path, nullptr, &asked);
        sheet->SendCommandToPage(CCompleteRecoveryPartitionDeviceSelectPage::kCmdOpenRawImage);
        EXPECT_TRUE(asked);
    }

    CCompleteRecoveryPartitionDeviceSelectPage* devices = nullptr;
    CCompleteRecoveryScanPartitionDeviceSelectPage* partitions = nullptr;
};

TEST_F(FormatRoadGui, AFat32QuickFormattedAsNtfsGivesBackItsFilesWithNames)
{
    const std::string fixture = "format-fat32-as-ntfs";
    const auto expected = wizardtest::SurvivingFiles(fixture);
    ASSERT_GE(expected.size(), 7u);
    UseImage(Unpack(fixture));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
    ASSERT_NO_FATAL_FAILURE(ClickRow(0));
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    // The recommended partition was built at once: page 7 was passed through.
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    EXPECT_EQ(GetFileSelectController()->GetPrevious(), GetCompleteRecoveryPartitionDeviceSelectController());
    EXPECT_TRUE(GetCompleteRecoveryScanPartitionDeviceSelectController()->GetPartitions().empty());
    ASSERT_NO_FATAL_FAILURE(CheckEverything());

    ExpectSavedWithNames(expected, dir / "recovered");

    // Back from the found-file page returns to the device page.
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_DEVICE);
}

TEST_F(FormatRoadGui, WithTheManualOptionThePartitionsAreListedForTheUserToTick)
{
    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
    UseImage(Unpack("format-fat32-as-ntfs"));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
    ASSERT_NO_FATAL_FAILURE(ClickRow(0));
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    CMultipleChoosePartitionListCtrl* list = partitions->PartitionList();
    ASSERT_GT(list->GetItemCount(), 0);
    EXPECT_EQ(list->GetCheckedCount(), 1);
    EXPECT_EQ(static_cast<CSearchedPartitionInfo*>(list->GetItemPartition(0))->nFileSystemKind, 2);
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    // The scan page was shown, so Back leads to it, with the search still listed.
    EXPECT_EQ(GetFileSelectController()->GetPrevious(), GetCompleteRecoveryScanPartitionDeviceSelectController());
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    EXPECT_GT(list->GetItemCount(), 0);
    // Back again asks, and returns to the devices.
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_DEVICE);
    EXPECT_EQ(list->GetItemCount(), 0);
}

// Pictures on a device without any file system: format recovery (RAW files) and photo recovery both save
// them byte for byte from "Raw Files".
class RawRoadGui : public FormatRoadGui, public ::testing::WithParamInterface<int> {};

TEST_P(RawRoadGui, PicturesWithoutAFileSystemComeBackByteExact)
{
    testsupport::RawImageComposer disk(8192);
    std::vector<std::string> wanted;
    for (const testsupport::RawFixture& f : testsupport::ReadRawFixtureManifest("photo")) {
        if (f.name.find("progressive") != std::string::npos || wanted.size() >= 4) continue;
        disk.Append(testsupport::ReadRawFixture("photo", f.name), f.type, f.name, 3);
        wanted.push_back(f.sha256);
    }
    ASSERT_GE(wanted.size(), 3u);
    const fs::path image = dir / "pictures.img";
    {
        std::ofstream file(image, std::ios::binary);
        file.write(reinterpret_cast<const char*>(disk.Bytes().data()), std::streamsize(disk.Bytes().size()));
    }
    // Nothing on it is a volume, so the machine lists nothing: Ctrl+O opens it as a raw sector image.
    UseImage(Unpack("fat32"));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(GetParam()));
    EXPECT_EQ(GetRecoverySettings()->m_photoMode, GetParam() == 3 ? 1 : 0);
    ASSERT_NO_FATAL_FAILURE(OpenRawImage(image.string()));
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    const VolumeDeviceRecord* chosen = GetCompleteRecoveryPartitionDeviceSelectController()->GetChosenRecord();
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->nFileSystemKind, 7);
    EXPECT_STREQ(chosen->szImagePath, image.string().c_str());
    ASSERT_NO_FATAL_FAILURE(CheckEverything());
    const fs::path out = dir / "saved";
    SaveTo(out.string());
    std::multiset<std::string> saved;
    for (const auto& [path, file] : testsupport::SavedFiles(out)) saved.insert(file.sha256);
    for (const std::string& sha : wanted) EXPECT_EQ(saved.count(sha), 1u) << sha;
}

INSTANTIATE_TEST_SUITE_P(Modes, RawRoadGui, ::testing::Values(1, 3), [](const ::testing::TestParamInfo<int>& info) {
    return info.param == 3 ? "Photo" : "Format";
});

// A search the user cancels midway goes on with what it found: on a disk whose three partitions lie before a
// long empty tail, the search stopped past them builds the best-scored one at once (the manual option off)
// and its files are saved as the manifest has them. Back returns to the device page.
TEST_F(FormatRoadGui, ACancelledSearchGoesOnWithWhatItFound)
{
    PhaseWatch phases;
    const std::string image = Unpack("lost-disk");
    fs::resize_file(image, fs::file_size(image) + (2ull << 30));
    // A whole disk is no volume the machine lists: Ctrl+O opens it as a raw sector image.
    UseImage(Unpack("fat32"));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    bool cancelled = false;
    wizardtest::CancelSearchAfterBlock(16, &cancelled);
    ASSERT_NO_FATAL_FAILURE(OpenRawImage(image));
    ASSERT_TRUE(cancelled);
    // The search itself stopped early (not merely the button clicked).
    EXPECT_EQ(std::count(phases.phases.begin(), phases.phases.end(), 3u), 1);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    EXPECT_EQ(GetFileSelectController()->GetPrevious(), GetCompleteRecoveryPartitionDeviceSelectController());
    ASSERT_NO_FATAL_FAILURE(CheckEverything());
    const fs::path out = dir / "recovered";
    SaveTo(out.string());
    wizardtest::ExpectSavedBelow(wizardtest::LostDiskFiles("LOSTFAT32"), out);
    QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_DEVICE);
}

// Cancelled before anything was found, the search leaves the device page shown, without a message.
TEST_F(FormatRoadGui, ACancelledSearchThatFoundNothingStaysOnTheDevicePage)
{
    const fs::path blank = dir / "blank.img";
    std::ofstream(blank, std::ios::binary).close();
    fs::resize_file(blank, 2ull << 30);
    UseImage(Unpack("fat32"));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
    int questions = 0;
    CScopedMessageBoxResponder yes([&](const MessageBoxRequest&) {
        ++questions;
        return IDYES;
    });
    bool cancelled = false;
    wizardtest::CancelSearchAfterBlock(1, &cancelled);
    ASSERT_NO_FATAL_FAILURE(OpenRawImage(blank.string()));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(questions, 1); // the cancel's own question only
    EXPECT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_DEVICE);
    EXPECT_TRUE(GetCompleteRecoveryScanPartitionDeviceSelectController()->GetPartitions().empty());
    EXPECT_EQ(GetFileSelectController()->GetRoot(), nullptr);
    EXPECT_TRUE(frame.isEnabled());
}

// A disk holding FAT32, NTFS and ext2 partitions, searched in format recovery with the manual option ticked
// on the device page: page 7 lists all three (only the best-scored one ticked at first), each is ticked in
// turn, built and its files saved as the manifest has them, and Back from the found files returns to page 7.
TEST_F(FormatRoadGui, WithTheManualOptionEachPartitionOfADiskIsReachedInTurn)
{
    const std::string disk = Unpack("lost-disk");
    UseImage(Unpack("fat32"));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
    CTransButton* manual = devices->CheckBox();
    ASSERT_TRUE(manual && manual->isVisible());
    EXPECT_FALSE(manual->GetCheck());
    QTest::mouseClick(manual, Qt::LeftButton, {}, QPoint(8, manual->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([] { return GetRecoverySettings()->m_manuallySelectHistoricalPartitions == 1; }));
    ASSERT_NO_FATAL_FAILURE(OpenRawImage(disk));
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    CMultipleChoosePartitionListCtrl* list = partitions->PartitionList();
    EXPECT_EQ(list->GetCheckedCount(), 1);
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    const std::pair<const char*, uint64_t> wanted[] = {{"LOSTFAT32", 63}, {"LOSTNTFS", 81920}, {"LOSTEXT2", 112455}};
    for (const auto& [label, start] : wanted) {
        SCOPED_TRACE(label);
        const int row = wizardtest::ScanRowAt(partitions, start);
        ASSERT_GE(row, 0);
        QTest::qWait(50);
        for (int r = 0; r < list->GetItemCount(); ++r) {
            if (list->GetCheck(r) && r != row) {
                ASSERT_NO_FATAL_FAILURE(wizardtest::ClickScanTick(partitions, r));
            }
        }
        if (!list->GetCheck(row)) {
            ASSERT_NO_FATAL_FAILURE(wizardtest::ClickScanTick(partitions, row));
        }
        ASSERT_EQ(list->GetCheckedCount(), 1);
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        ASSERT_NO_FATAL_FAILURE(CheckEverything());
        const fs::path out = dir / label;
        SaveTo(out.string());
        const std::map<std::string, std::string> expected = wizardtest::LostDiskFiles(label);
        EXPECT_EQ(testsupport::SavedFiles(out).size(), expected.size());
        wizardtest::ExpectSavedBelow(expected, out);
        QTest::mouseClick(&sheet->BackButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
    }
}

// A search exported from the found-file page comes back on a machine that never searched (an empty state
// folder): the import of the device page's image menu lists it as "Previous Recovery...", which restores
// the found files without searching again, and they are saved by name and byte for byte.
TEST_F(FormatRoadGui, AnImportedExportRestoresTheFoundFilesWithoutSearching)
{
    const std::string fixture = "format-fat32-as-ntfs";
    const auto expected = wizardtest::SurvivingFiles(fixture);
    ASSERT_GE(expected.size(), 7u);
    UseImage(Unpack(fixture));
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
    ASSERT_NO_FATAL_FAILURE(ClickRow(0));
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    const fs::path archive = dir / "search.rsf";
    {
        diskimg::CScopedFileDialogResponder answer(
            [&](const diskimg::FileDialogRequest&) { return QString::fromStdString(archive.string()); });
        CScopedMessageBoxResponder ok([](const MessageBoxRequest&) { return IDOK; });
        WhenPopup(CFileSelectPage::kCmdExportState);
        QTest::mouseClick(&files->ToolsBar(), Qt::LeftButton);
    }
    ASSERT_TRUE(fs::is_regular_file(archive));

    sheet.reset();
    ClearStateFolder();
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
    ASSERT_EQ(PreviousRecoveryRow(devices), -1);
    EXPECT_TRUE(ImportThroughImageMenu(devices->ImageStrip(), devices->kCmdImportState, archive).empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled() && PreviousRecoveryRow(devices) >= 0; }, 30000));

    // A second import would replace the listed recovery: it asks, and No leaves the state files alone.
    const QString replace = CResourceLibrary::Instance().LoadText(QString::fromLatin1(kImportReplaceKey));
    ASSERT_FALSE(replace.isEmpty());
    const auto before = StateFiles();
    const fs::path foreign = dir / "foreign.rsf";
    std::ofstream(foreign) << "not a container";
    EXPECT_EQ(ImportThroughImageMenu(devices->ImageStrip(), devices->kCmdImportState, foreign, IDNO),
              std::vector<QString>{replace});
    EXPECT_EQ(StateFiles(), before);
    EXPECT_EQ(ImportThroughImageMenu(devices->ImageStrip(), devices->kCmdImportState, archive, IDYES),
              std::vector<QString>{replace});
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled() && PreviousRecoveryRow(devices) >= 0; }, 30000));

    SearchDialogWatch searches;
    ASSERT_NO_FATAL_FAILURE(ClickRow(PreviousRecoveryRow(devices)));
    QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
    ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
    EXPECT_EQ(searches.shown, 0);
    ASSERT_NO_FATAL_FAILURE(CheckEverything());
    ExpectSavedWithNames(expected, dir / "restored");
}

// On both device pages a damaged or foreign container is refused with the archive's message and changes
// nothing; a path that cannot be read as a container is answered too; a whole container without a search of
// the page's mode says so instead of adding nothing silently.
TEST_F(FormatRoadGui, DamagedOrForeignArchivesAreRefusedOnBothDevicePages)
{
    UseImage(Unpack("fat32"));
    // A whole container of one state file of two pieces, made by the program's own writer.
    const fs::path source = dir / "state-source";
    fs::create_directories(source);
    std::string content(5000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7);
    std::ofstream(source / "cstemp.rdf", std::ios::binary) << content;
    CMBKArchive packer(false);
    ASSERT_TRUE(packer.ScanFolder(source));
    const fs::path whole = dir / "whole.rsf";
    ASSERT_TRUE(packer.Pack(whole.c_str()));
    std::ostringstream read;
    read << std::ifstream(whole, std::ios::binary).rdbuf();
    const std::string bytes = read.str();
    ASSERT_GT(bytes.size(), CMBKArchive::BlockSize(1) + 4096);
    std::string altered = bytes;
    altered[altered.size() - 10] ^= 0x40;

    CResourceLibrary& lib = CResourceLibrary::Instance();
    const QString mismatch = lib.LoadString(CMBKArchive::kMismatchMessage);
    const QString failed = lib.LoadText(QString::fromLatin1(kImportFailedKey));
    const QString nothing = lib.LoadText(QString::fromLatin1(kImportNothingKey));
    ASSERT_FALSE(mismatch.isEmpty() || failed.isEmpty() || nothing.isEmpty());
    const struct {
        const char* name;
        std::string content;
        QString told;
    } cases[] = {
        {"empty", std::string(), mismatch},
        {"cut in its head", bytes.substr(0, 100), mismatch},
        {"cut in its entries", bytes.substr(0, CMBKArchive::BlockSize(1) - 8), mismatch},
        {"cut in its files", bytes.substr(0, bytes.size() - 100), mismatch},
        {"a byte of its files changed", altered, mismatch},
        {"not a container", std::string(4096, 'x'), mismatch},
    };

    for (const int page : {WP_COMPLETE_RECOVERY_DEVICE, WP_LOST_RECOVERY_DISK}) {
        SCOPED_TRACE(page);
        ClearStateFolder();
        ASSERT_NO_FATAL_FAILURE(Open());
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(page == WP_COMPLETE_RECOVERY_DEVICE ? 1 : 2), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), page);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
        auto* lost = static_cast<CLostRecoveryDiskDeviceSelectPage*>(sheet->GetPage(WP_LOST_RECOVERY_DISK));
        CDeviceSelectPage* shown = page == WP_COMPLETE_RECOVERY_DEVICE ? static_cast<CDeviceSelectPage*>(devices)
                                                                       : static_cast<CDeviceSelectPage*>(lost);
        CButtonPlus& strip = page == WP_COMPLETE_RECOVERY_DEVICE ? devices->ImageStrip() : lost->ImageStrip();
        const unsigned command = page == WP_COMPLETE_RECOVERY_DEVICE
                                     ? CCompleteRecoveryPartitionDeviceSelectPage::kCmdImportState
                                     : CLostRecoveryDiskDeviceSelectPage::kCmdImport;
        const fs::path archive = dir / "damaged.rsf";
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            std::ofstream(archive, std::ios::binary | std::ios::trunc) << c.content;
            EXPECT_EQ(ImportThroughImageMenu(strip, command, archive), std::vector<QString>{c.told});
            EXPECT_TRUE(StateFiles().empty());
        }
        // A folder is no container, and its failure is not left unanswered.
        EXPECT_EQ(ImportThroughImageMenu(strip, command, dir.path()), std::vector<QString>{failed});
        // Whole, but what it holds is no search this page can continue.
        EXPECT_EQ(ImportThroughImageMenu(strip, command, whole), std::vector<QString>{nothing});
        EXPECT_EQ(StateFiles().count("cstemp.rdf"), 1u);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
        EXPECT_EQ(PreviousRecoveryRow(shown), -1);
        sheet.reset();
    }
    ClearStateFolder();
}

TEST_F(FormatRoadGui, ScreenshotsOfThePagesInEachLanguage)
{
    GetRecoverySettings()->m_manuallySelectHistoricalPartitions = 1;
    UseImage(Unpack("format-fat32-as-ntfs"));
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        ASSERT_NO_FATAL_FAILURE(Open());
        ASSERT_NO_FATAL_FAILURE(ChooseMode(1));
        const QString prefix = folder + QStringLiteral("/format-road-%1").arg(language);
        // Next without a chosen row, the image menu with its import entry, and a refused import.
        const auto grabBox = [&](const QString& name) {
            WhenModal<QMessageBox>([&, name](QMessageBox* box) {
                box->grab().save(prefix + name);
                box->accept();
            });
        };
        if (devices->GetDeviceList()->GetSelectedIndex() < 0) {
            grabBox(QStringLiteral("-nothing-chosen.png"));
            QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        }
        auto* popup = new QTimer(testsupport::PerTestOwner());
        QObject::connect(popup, &QTimer::timeout, [popup, prefix] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            popup->stop();
            popup->deleteLater();
            menu->grab().save(prefix + QStringLiteral("-imagemenu.png"));
            menu->close();
        });
        popup->start(20);
        QTest::mouseClick(&devices->ImageStrip(), Qt::LeftButton);
        const fs::path foreign = dir / "foreign.rsf";
        std::ofstream(foreign) << "not a container";
        {
            diskimg::CScopedFileDialogResponder answer(
                [&](const diskimg::FileDialogRequest&) { return QString::fromStdString(foreign.string()); });
            grabBox(QStringLiteral("-import-refused.png"));
            sheet->SendCommandToPage(CCompleteRecoveryPartitionDeviceSelectPage::kCmdImportState);
        }
        ASSERT_NO_FATAL_FAILURE(ClickRow(0));
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-devices"));
        WhenModal<CIntelligentSearchingDialog>(
            [&](CIntelligentSearchingDialog* dlg) { dlg->grab().save(prefix + QStringLiteral("-search.png")); });
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_COMPLETE_RECOVERY_SCAN_PARTITION);
        // The volume is named as the device page lists it, never by a drive letter ("C : ...").
        const QString caption = partitions->Container()->GetLayoutFrame()->Caption();
        EXPECT_FALSE(caption.contains(QStringLiteral(" : "))) << caption.toStdString();
        EXPECT_TRUE(caption.contains(QStringLiteral("NEWNTFS (NTFS)\""))) << caption.toStdString();
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-partitions"));
        QTest::mouseClick(&sheet->NextButton(), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), WP_FILE_SELECT);
        wizardtest::SavePageInEveryForm(&frame, prefix + QStringLiteral("-files"));
        sheet.reset();
        lib.UnloadLanguageBundle();
    }
}

} // namespace

// The Options dialog of a recovery mode is reached from its device page: the image menu's last item runs the
// sheet's Options command, which reports its event and has the page's controller show the dialog.
TEST_F(FormatRoadGui, TheImageMenuOpensTheOptionsOfEachDevicePage)
{
    class OptionsWatch : public IWizardServices {
    public:
        std::vector<bool> shown;
        std::vector<unsigned> events;
        unsigned LogRecoveryPhase(unsigned code) override { return code; }
        void ReportEvent(unsigned id) override { events.push_back(id); }
        void ReportTimedEvent(unsigned, uint64_t) override {}
        void ShowAdvanceSetting(bool editableRawTypes) override { shown.push_back(editableRawTypes); }
    } services;
    IWizardServices* before = GetWizardServices();
    SetWizardServices(&services);
    for (const int page : {WP_COMPLETE_RECOVERY_DEVICE, WP_LOST_RECOVERY_DISK}) {
        SCOPED_TRACE(page);
        services.shown.clear();
        services.events.clear();
        ASSERT_NO_FATAL_FAILURE(Open());
        auto* mode = static_cast<CRecoveryModeSelectPage*>(sheet->GetPage(WP_RECOVERY_MODE));
        QTest::mouseClick(mode->ModeButton(page == WP_COMPLETE_RECOVERY_DEVICE ? 1 : 2), Qt::LeftButton);
        ASSERT_EQ(sheet->GetCurrentIndex(), page);
        ASSERT_TRUE(QTest::qWaitFor([&] { return frame.isEnabled(); }, 30000));
        auto* shown = static_cast<CDeviceListPage*>(sheet->GetPage(WIZARD_PAGE(page)));
        bool enabled = false;
        WhenPopup(CDeviceListPage::kCmdShowOptions, &enabled);
        QTest::mouseClick(&shown->ImageStrip(), Qt::LeftButton);
        EXPECT_TRUE(enabled);
        EXPECT_EQ(services.shown.size(), 1u);
        EXPECT_NE(std::find(services.events.begin(), services.events.end(), 8262u), services.events.end());
        EXPECT_EQ(sheet->GetCurrentIndex(), page);
    }
    SetWizardServices(before);
}
