// The controllers of the deleted-file road driven without windows: the volume list of page 1 from disk images
// standing in for the machine's disks, the scan of the chosen volume into "Deleted Files", the found-file
// controller's Recover and Back, the save-path checks and the save-result chain.
#include "controller/CDeleteRecoveryPartitionDeviceSelectController.h"
#include "controller/CFileSelectController.h"
#include "controller/CSaveFileController.h"
#include "controller/CSaveResultController.h"
#include "controller/IDeviceSelectView.h"
#include "controller/IFileSelectView.h"
#include "controller/ISaveFileView.h"
#include "controller/IWizardServices.h"
#include "controller/IWizardSheet.h"
#include "controller/MessageBoxTypes.h"
#include "controller/ModeDeviceControllers.h"
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "controller/tests/RoadControllerTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using roadtest::FakeFileView;
using roadtest::FakeSheet;
using roadtest::Fixture;
using roadtest::FakeDeviceView;

class FakeSaveView : public ISaveFileView {
public:
    std::string path;
    std::vector<unsigned> messages;
    int answer = wizmsg::kAnswerNo;
    uint64_t bytes = 0;
    int files = 0, saves = 0;
    std::string GetPathText() override { return path; }
    void SetStatistics(uint64_t b, int f) override
    {
        bytes = b;
        files = f;
    }
    void ResetPath() override { path.clear(); }
    int ShowMessage(unsigned id, unsigned) override
    {
        messages.push_back(id);
        return answer;
    }
    SaveRunResult RunSave(CFileNode*, IStorageDevice*, const std::string& folder) override
    {
        ++saves;
        // One file came back with unreadable parts (a bad sector of the source).
        return SaveRunResult{files, files, {folder + "/made"}, 1, 0, {}};
    }
};

class DeletedRoadTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetWizardSheet(&sheet);
        devices = GetDeleteRecoveryPartitionDeviceSelectController();
        files = GetFileSelectController();
        save = GetSaveFileController();
        devices->SetPage(&deviceView);
        files->SetPage(&fileView);
        save->SetPage(&saveView);
        SetModeDeviceController(0, devices, [](char l) {
            return GetDeleteRecoveryPartitionDeviceSelectController()->IsDriveOnSelectedSource(l);
        });
        GetRecoverySettings()->m_recoveryMode = 0;
    }
    void TearDown() override
    {
        files->Reset();
        devices->Reset();
        devices->SetPage(nullptr);
        files->SetPage(nullptr);
        save->SetPage(nullptr);
        SetModeDeviceController(0, nullptr);
        SetWizardSheet(nullptr);
        unsetenv("SALVIX_DISKS");
        unsetenv("SALVIX_DRIVES");
    }
    std::string Unpack(const std::string& fixture)
    {
        const std::string image = (dir / (fixture + ".img")).string();
        EXPECT_EQ(std::system(("xz -dc '" + Fixture(fixture + ".img.xz") + "' > '" + image + "'").c_str()), 0);
        return image;
    }
    // The disks and letters of the machine are the images; page 1 is entered and its list filled.
    void EnterPageOne(const std::string& disks, const std::string& drives)
    {
        setenv("SALVIX_DISKS", disks.c_str(), 1);
        setenv("SALVIX_DRIVES", drives.c_str(), 1);
        devices->Activate();
        devices->WaitForRefresh();
        deviceView.RunPosted();
    }

    testsupport::TempDir dir;
    FakeSheet sheet;
    FakeDeviceView deviceView;
    FakeFileView fileView;
    FakeSaveView saveView;
    CDeleteRecoveryPartitionDeviceSelectController* devices = nullptr;
    CFileSelectController* files = nullptr;
    CSaveFileController* save = nullptr;
};

// Keeps the device names of the log's scan lines.
struct ScanLogServices : IWizardServices {
    std::vector<std::string> scanned;
    unsigned LogRecoveryPhase(unsigned code) override { return code; }
    void ReportEvent(unsigned) override {}
    void ReportTimedEvent(unsigned, uint64_t) override {}
    void ShowAdvanceSetting(bool) override {}
    void LogScanDevice(bool, bool, const char* deviceName, const char*, int, const char*, const char*) override
    {
        scanned.push_back(deviceName ? deviceName : "(null)");
    }
};

TEST_F(DeletedRoadTest, EachFileSystemIsListedScannedAndHandedToTheFoundFilePage)
{
    ScanLogServices services;
    SetWizardServices(&services);
    struct Restore {
        ~Restore() { SetWizardServices(nullptr); }
    } restore;
    struct Case {
        const char* fixture;
        const char* name;
        uint32_t minDeleted;
    } cases[] = {
        {"fat32", "fat32.img  DATA32  (FAT32)", 3},
        {"ext2-1k", "ext2-1k.img  EXT2SMALL  (EXT2)", 2},
        {"ntfs_small", "ntfs_small.img  SalvixNTFS  (NTFS)", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        const std::string image = Unpack(c.fixture);
        EnterPageOne(image, "C=" + image);
        EXPECT_EQ(deviceView.refreshes, deviceView.refreshEnds);
        ASSERT_EQ(deviceView.rows.size(), 1u);
        // Named by what a person knows (here the image file standing in for the disk), never by a letter.
        EXPECT_EQ(deviceView.rows[0].name, c.name);
        EXPECT_EQ(deviceView.rows[0].icon, 2);
        EXPECT_GT(deviceView.rows[0].sectors, 0u);

        sheet.pages.clear();
        deviceView.selected = 0;
        ASSERT_TRUE(devices->next());
        ASSERT_NE(fileView.root, nullptr);
        EXPECT_EQ(files->GetPrevious(), devices);
        EXPECT_EQ(sheet.pages, std::vector<int>{WP_FILE_SELECT});
        FileTreeStatistics statistics;
        ASSERT_TRUE(fileView.root->GetStatistics(statistics));
        EXPECT_GE(statistics.files, c.minDeleted);
        EXPECT_EQ(files->GetSourceDevice(), devices->GetChosenRecord()->pDevice);
        EXPECT_EQ(GetRecoverySettings()->m_selectedDriveLetter, 'C');
        EXPECT_EQ(GetRecoverySettings()->m_selectedDeviceName, std::string(c.fixture) + ".img");
        // The log names the scanned volume as the list does, not by the letter it has inside the program.
        ASSERT_FALSE(services.scanned.empty());
        EXPECT_EQ(services.scanned.back(), std::string(c.fixture) + ".img");
        // Back asks first; Yes drops the tree and returns to the volume page.
        fileView.answer = wizmsg::kAnswerYes;
        files->Back();
        EXPECT_EQ(fileView.root, nullptr);
        devices->WaitForRefresh();
        deviceView.RunPosted();
        EXPECT_EQ(sheet.pages.back(), WP_DELETE_RECOVERY_VOLUME);
    }
}

TEST_F(DeletedRoadTest, NoSelectionNoDeletedFilesAndTheHint)
{
    const std::string image = Unpack("fat32");
    EnterPageOne(image, "C=" + image);
    deviceView.selected = -1;
    EXPECT_FALSE(devices->next());
    EXPECT_EQ(deviceView.messages, std::vector<unsigned>{143});

    // The hint shows after each scan until its box is ticked, then not again.
    CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = true;
    deviceView.selected = 0;
    deviceView.hints = 0;
    ASSERT_TRUE(devices->next());
    EXPECT_EQ(deviceView.hints, 1);
    files->Reset();
    deviceView.tickHint = true;
    ASSERT_TRUE(devices->next());
    files->Reset();
    ASSERT_TRUE(devices->next());
    EXPECT_EQ(deviceView.hints, 2);
    EXPECT_FALSE(CDeleteRecoveryPartitionDeviceSelectController::HintFlag());
    CDeleteRecoveryPartitionDeviceSelectController::HintFlag() = true;
}

TEST_F(DeletedRoadTest, AVolumeWithoutKnownFileSystemIsNotListedAndImagesAreChecked)
{
    const std::string blank = (dir / "blank.img").string();
    {
        std::ofstream out(blank, std::ios::binary);
        out << std::string(1 << 20, '\0');
    }
    EnterPageOne(blank, "C=" + blank);
    EXPECT_TRUE(deviceView.rows.empty());

    // An image that is no disk-image file, twice: refused each time with its reason, listed never.
    deviceView.imageToOpen = blank;
    devices->OpenDiskImage();
    EXPECT_EQ(deviceView.messages, std::vector<unsigned>{283});
    EXPECT_EQ(devices->GetImageCount(), 0u);
}

TEST_F(DeletedRoadTest, RecoverNeedsCheckedFilesAndHandsTheTreeToTheSavePage)
{
    const std::string image = Unpack("fat32");
    EnterPageOne(image, "C=" + image);
    deviceView.selected = 0;
    ASSERT_TRUE(devices->next());
    fileView.messages.clear();
    EXPECT_FALSE(files->next());
    EXPECT_EQ(fileView.messages, std::vector<unsigned>{139});

    fileView.root->ToggleCheckState(fileView.root->GetFirstChild(), false);
    sheet.pages.clear();
    ASSERT_TRUE(files->next());
    EXPECT_EQ(sheet.pages, std::vector<int>{WP_SAVE_FILE});
    EXPECT_GT(saveView.files, 0);
    EXPECT_GT(saveView.bytes, 0u);
    EXPECT_EQ(save->GetScanKind(), kScanDeletedFile);

    // A folder that can be written: checked and saved; the result page follows with the figures.
    saveView.path = (dir / "out").string();
    ASSERT_TRUE(save->CheckSavePath()) << (saveView.messages.empty() ? 0 : saveView.messages[0]);
    sheet.pages.clear();
    ASSERT_TRUE(save->next());
    EXPECT_EQ(saveView.saves, 1);
    EXPECT_EQ(sheet.pages, std::vector<int>{WP_SAVE_RESULT});
    EXPECT_EQ(save->GetRecoveredCount(), saveView.files);
    EXPECT_EQ(save->GetPartialCount(), 1);
    EXPECT_EQ(save->GetFailedCount(), 0);
    ASSERT_EQ(save->GetSavedPathCount(), 1);
    EXPECT_EQ(save->GetSavedPath(0), saveView.path + "/made");
    EXPECT_EQ(GetSaveResultController()->GetPrevious(), save);
    EXPECT_EQ(GetSaveResultController()->GetScanKind(), kScanDeletedFile);
    EXPECT_FALSE(save->IsSourceShort());
    // The result page's verdict: one file with unreadable parts makes the save partial.
    const SaveVerdict verdict = GetSaveResultController()->GetVerdict();
    EXPECT_EQ(verdict.kind, SaveVerdictKind::Partial);
    EXPECT_EQ(verdict.savedPartial, 1);
    EXPECT_EQ(verdict.savedWhole, saveView.files - 1);
}

TEST_F(DeletedRoadTest, AnImageCutShortIsSavedAndTheResultKnowsTheSourceIsShort)
{
    const std::string image = Unpack("fat32-cut");
    fs::resize_file(image, 3 << 20);
    EnterPageOne(image, "C=" + image);
    deviceView.selected = 0;
    ASSERT_TRUE(devices->next());
    fileView.root->ToggleCheckState(fileView.root->GetFirstChild(), false);
    ASSERT_TRUE(files->next());
    EXPECT_EQ(saveView.files, 7);
    saveView.path = (dir / "out").string();
    ASSERT_TRUE(save->CheckSavePath());
    ASSERT_TRUE(save->next());
    EXPECT_TRUE(save->IsSourceShort());
    // Every file saved whole, but from a source cut short: never a whole recovery.
    EXPECT_TRUE(GetSaveResultController()->GetTally().sourceShort);
    EXPECT_EQ(GetSaveResultController()->GetVerdict().kind, SaveVerdictKind::Partial);
}

TEST(SavePathCheck, CodesOfPaths)
{
    testsupport::TempDir dir;
    const std::string here = dir.path().string();
    fs::create_directories(dir / "ro");
    const std::string readonlyFolder = (dir / "ro").string();
    ::chmod(readonlyFolder.c_str(), 0555);
    const bool root = ::geteuid() == 0;
    {
        std::ofstream(dir / "file.txt") << "x";
    }
    setenv("SALVIX_DRIVES", ("C=" + here + "/file.txt").c_str(), 1);
    struct Case {
        std::string path;
        int code;
    } cases[] = {
        {"", CSaveFileController::kEmpty},
        {std::string(246, 'a'), CSaveFileController::kTooLong},
        {"a", CSaveFileController::kInvalidPath},
        {"abc\\def", CSaveFileController::kRelativePath},
        {"C:\\a\\.\\b", CSaveFileController::kInvalidPath},
        {"\\\\server\\share", CSaveFileController::kInvalidPath},
        {"D:\\x", CSaveFileController::kNoDrive},
        {"C:\\x", CSaveFileController::kNotReady}, // a drive that is not mounted
        {"C:\\a|b", CSaveFileController::kInvalidSymbol},
        {here, CSaveFileController::kPathOk},
        {here + "/not/yet/made", CSaveFileController::kPathOk},
        {here + "/../x", CSaveFileController::kInvalidPath},
        {here + "/file.txt", CSaveFileController::kInvalidPath},
        {readonlyFolder, root ? CSaveFileController::kPathOk : CSaveFileController::kNotWritable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CSaveFileController::CheckPath(c.path), c.code);
    }
    // The write test leaves nothing behind in the folder.
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().rfind(CSaveFileController::kTestFilePrefix, 0), std::string::npos);
    unsetenv("SALVIX_DRIVES");

    unsigned id = 0, type = 0;
    EXPECT_FALSE(CSaveFileController::PathErrorMessage(0, &id, &type));
    ASSERT_TRUE(CSaveFileController::PathErrorMessage(CSaveFileController::kTooLong, &id, &type));
    EXPECT_EQ(id, 158u);
    EXPECT_EQ(type, wizmsg::kIconInformation);
    ASSERT_TRUE(CSaveFileController::PathErrorMessage(99, &id, &type));
    EXPECT_EQ(id, 160u);
    EXPECT_EQ(type, wizmsg::kIconExclamation);
    ::chmod(readonlyFolder.c_str(), 0755);
}

TEST(SavePathCheck, SpaceIsWhatTheUserMayFill)
{
    testsupport::TempDir dir;
    const TargetSpace space = CSaveFileController::QueryTargetSpace((dir / "not" / "made").string());
    EXPECT_GT(space.totalBytes, 0u);
    EXPECT_LE(space.availableBytes, space.freeBytes);
    EXPECT_EQ(CSaveFileController::QueryTargetSpace("relative").totalBytes, 0u);
}

} // namespace
