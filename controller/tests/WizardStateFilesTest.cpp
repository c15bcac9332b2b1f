// The controller chain through the wizard-state files: what a format or partition recovery saves is
// restored in a later run with the same links and parts; a save that breaks keeps the previous state; a
// damaged file is refused and what was restored of it is reset.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "controller/CFileSelectController.h"
#include "controller/IWizardPageController.h"
#include "controller/WizardStateFiles.h"
#include "core/rsdata/CRSException.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/tree/CFileNode.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "storage/recoverystate/CRSDataEx.h"
#include "storage/recoverystate/WizardStateFile.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A page controller that stores a few bytes of its own under a section of its type.
class FakeController : public IWizardPageController {
public:
    FakeController(int type, int scanKind) : m_type(type), m_scanKind(scanKind) {}
    void Activate() override { ++activated; }
    void Home() override {}
    void Back() override {}
    bool next() override { return false; }
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    int GetControllerType() override { return m_type; }
    int GetScanKind() override { return m_scanKind; }
    void Reset() override
    {
        ++resets;
        restored.clear();
    }
    int SaveState(IRSData* stream, IDIRBuildCallback*) override
    {
        if (m_type == kStateCompleteDevice || m_type == kStateLostDisk)
            WriteResultInfo(stream,
                            m_type == 0 ? "Results for \r\nPartition \"E: (FAT32)\"" : "Results for \r\nDisk \"d\"");
        stream->BeginSection(Guid());
        std::vector<uint8_t> bytes(40 + size_t(m_type) * 10, uint8_t(0xA0 + m_type));
        stream->Write(bytes.data(), unsigned(bytes.size()));
        stream->EndSection();
        return 1;
    }
    int RestoreState(IRSData* stream, IDIRBuildCallback*) override
    {
        ++restoreCalls;
        stream->BeginSection(Guid());
        restored.resize(40 + size_t(m_type) * 10);
        stream->Read(restored.data(), unsigned(restored.size()));
        stream->EndSection();
        return refuseRestore ? 0 : 1;
    }
    RSGuid Guid() const { return RSGuid{0x51A7E000u + uint32_t(m_type), 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}; }

    std::vector<uint8_t> restored;
    int restoreCalls = 0;
    int resets = 0;
    int activated = 0;
    bool refuseRestore = false;

private:
    int m_type;
    int m_scanKind;
    IWizardPageController* m_previous = nullptr;
};

// A writer that fails like a full disk once this many bytes went through it.
class FailingWriter : public CRSDataEx {
public:
    explicit FailingWriter(size_t budget) : CRSDataEx(kModeWrite), m_budget(budget) {}
    bool Write(const void* data, unsigned length) override
    {
        if (length > m_budget) throw CRSException(RS_ERROR_WRITE_FAILED);
        m_budget -= length;
        return CRSDataEx::Write(data, length);
    }

private:
    size_t m_budget;
};

CFATFileProperties* Fat(const char* name, uint16_t attributes, uint64_t size)
{
    auto* p = NewFATFileProperties();
    p->SetName(name);
    p->SetAttributes(attributes);
    p->SetSize(size);
    return p;
}

// Root > "FAT32 (1)" > a.txt, docs > b.doc.
CFileSystemNode* SmallTree()
{
    CFileSystemNode* root = CreateRootNode();
    CFileSystemNode* volume = NewFileSystemNode();
    volume->SetProperties(Fat("FAT32 (1)", 0x10, 0));
    volume->SetName("FAT32 (1)");
    volume->SetFileSystemKind(2);
    root->AddChild(volume);
    CFileNode* a = NewFileNode();
    a->SetProperties(Fat("a.txt", 0x20, 1234));
    volume->AddChild(a);
    CFileNode* docs = NewFileNode();
    docs->SetProperties(Fat("docs", 0x10, 0));
    volume->AddChild(docs);
    CFileNode* b = NewFileNode();
    b->SetProperties(Fat("b.doc", 0x20, 99));
    docs->AddChild(b);
    return root;
}

void Dump(const CFileNode* node, int depth, std::string& out)
{
    for (; node; node = node->GetNextSibling()) {
        const IFileProperties* p = node->GetProperties();
        out += std::string(size_t(depth), ' ') + (p && p->GetName() ? p->GetName() : "?") + " " +
               std::to_string(p ? p->GetSize() : 0) + "\n";
        Dump(node->GetFirstChild(), depth + 1, out);
    }
}

std::string DumpTree(const CFileSystemNode* root)
{
    std::string out;
    if (root) Dump(root->GetFirstChild(), 0, out);
    return out;
}

class WizardStateFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int type = 0; type < 5; ++type) {
            fakes[type] = std::make_unique<FakeController>(type, type < 2 ? kScanFormat : kScanPartition);
            SetWizardStateController(type, fakes[type].get());
        }
        for (int kind : {1, 2}) {
            WizardStatePaths paths;
            ASSERT_TRUE(GetRecoveryStatePaths(kind, paths));
            fs::remove(paths.working);
            fs::remove(paths.last);
        }
        files = GetFileSelectController();
        files->SetPage(nullptr);
        files->Reset();
    }
    void TearDown() override
    {
        files->Reset();
        files->SetPrevious(nullptr);
        for (int type = 0; type < 5; ++type) SetWizardStateController(type, nullptr);
        SetWizardStateWriterFactory({});
    }
    FakeController& Fake(int type) { return *fakes[type]; }
    static WizardStatePaths Paths(int kind)
    {
        WizardStatePaths paths;
        GetRecoveryStatePaths(kind, paths);
        return paths;
    }
    // The found-file page reached from the given controller with a fresh tree; the tree's hand-over saves.
    void ShowTreeAfter(IWizardPageController* previous)
    {
        files->SetPrevious(previous);
        files->SetRoot(SmallTree());
    }

    std::unique_ptr<FakeController> fakes[5];
    CFileSelectController* files = nullptr;
};

} // namespace

TEST_F(WizardStateFilesTest, AFormatRecoveryComesBackAfterARestartWithoutScanning)
{
    Fake(1).SetPrevious(&Fake(0));
    ShowTreeAfter(&Fake(1)); // SetRoot saves (no runner installed: at once)
    const WizardStatePaths paths = Paths(kScanFormat);
    ASSERT_TRUE(fs::exists(paths.working));
    const std::string tree = DumpTree(files->GetRoot());

    // The next run: the device page's first activation promotes the working file.
    files->Reset();
    files->SetPrevious(nullptr);
    Fake(1).SetPrevious(nullptr);
    ASSERT_EQ(PromoteRecoveryStateFile(&Fake(0)), 1);
    const std::vector<uint8_t> saved = ReadAll(paths.last);
    char info[260];
    ASSERT_EQ(ReadRecoveryResultInfo(&Fake(0), info, sizeof info), 1);
    EXPECT_STREQ(info, "Results for \r\nPartition \"E: (FAT32)\"");

    ASSERT_EQ(RestoreRecoveryStateWithProgress(&Fake(0)), 1);
    EXPECT_EQ(Fake(0).restored, std::vector<uint8_t>(40, 0xA0));
    EXPECT_EQ(Fake(1).restored, std::vector<uint8_t>(50, 0xA1));
    EXPECT_EQ(Fake(1).GetPrevious(), &Fake(0));
    EXPECT_EQ(files->GetPrevious(), &Fake(1));
    EXPECT_EQ(DumpTree(files->GetRoot()), tree);
    EXPECT_EQ(Fake(0).activated + Fake(1).activated, 0) << "the found-file page is the one shown";
    EXPECT_EQ(ReadAll(paths.working), saved) << "the restored file is the working file again";
}

TEST_F(WizardStateFilesTest, TheStatusBoundsWhatIsRestored)
{
    // Partition recovery, full scan with page 4 passed: disk, found list, scan list, files.
    Fake(3).SetPrevious(&Fake(2));
    Fake(4).SetPrevious(&Fake(3));
    ShowTreeAfter(&Fake(4));
    // The user went back to the scan list: the found-file controller is no longer current.
    ASSERT_EQ(SetCurrentControllerStatus(&Fake(4)), 1);
    ASSERT_EQ(PromoteRecoveryStateFile(&Fake(2)), 1);
    files->Reset();
    const int filesBefore = files->GetRoot() != nullptr;

    IWizardPageController* restored = RestoreRecoveryState(&Fake(2), nullptr);
    EXPECT_EQ(restored, &Fake(4));
    EXPECT_EQ(Fake(3).restoreCalls, 1);
    EXPECT_EQ(Fake(4).restoreCalls, 1);
    EXPECT_EQ(files->GetRoot() != nullptr, filesBefore) << "the found-file controller is left out";

    // Status of a page outside the chain (the disk page): the working file stops counting and is not promoted.
    ShowTreeAfter(&Fake(4));
    ASSERT_EQ(SetCurrentControllerStatus(&Fake(2)), 1);
    const std::vector<uint8_t> last = ReadAll(Paths(kScanPartition).last);
    ASSERT_EQ(PromoteRecoveryStateFile(&Fake(2)), 1);
    EXPECT_EQ(ReadAll(Paths(kScanPartition).last), last);
}

TEST_F(WizardStateFilesTest, ARefusedPartResetsWhatWasRestored)
{
    Fake(3).SetPrevious(&Fake(2));
    ShowTreeAfter(&Fake(3));
    ASSERT_EQ(PromoteRecoveryStateFile(&Fake(2)), 1);
    files->Reset();
    Fake(3).refuseRestore = true;
    EXPECT_EQ(RestoreRecoveryStateWithProgress(&Fake(2)), 0);
    EXPECT_EQ(Fake(2).resets, 0) << "the disk page keeps its lists";
    EXPECT_EQ(Fake(3).resets, 1);
    EXPECT_EQ(Fake(3).activated, 0);
    EXPECT_EQ(files->GetRoot(), nullptr);
    EXPECT_FALSE(fs::exists(Paths(kScanPartition).working)) << "a failed restore does not become the working file";
}

TEST_F(WizardStateFilesTest, NothingToRestoreOrTheOtherModesFile)
{
    EXPECT_EQ(RestoreRecoveryState(&Fake(0), nullptr), nullptr);
    EXPECT_EQ(Fake(0).restoreCalls, 0);
    char info[16];
    EXPECT_EQ(ReadRecoveryResultInfo(&Fake(0), info, sizeof info), 0);
    FakeController deleted(6, kScanDeletedFile);
    EXPECT_EQ(SaveRecoveryState(&deleted, nullptr), 0);
    EXPECT_EQ(PromoteRecoveryStateFile(&deleted), 0);

    // A partition-recovery chain under the format file's name starts at a page other than the one in hand.
    Fake(3).SetPrevious(&Fake(2));
    ASSERT_EQ(SaveRecoveryState(&Fake(3), nullptr), 1);
    fs::rename(Paths(kScanPartition).working, Paths(kScanFormat).last);
    EXPECT_EQ(RestoreRecoveryState(&Fake(0), nullptr), nullptr);
    EXPECT_EQ(Fake(2).restoreCalls + Fake(3).restoreCalls, 0);
}

TEST_F(WizardStateFilesTest, ASaveThatBreaksMidwayKeepsThePreviousState)
{
    Fake(1).SetPrevious(&Fake(0));
    ShowTreeAfter(&Fake(1));
    const std::string path = Paths(kScanFormat).working;
    const std::vector<uint8_t> good = ReadAll(path);
    ASSERT_FALSE(good.empty());

    for (size_t budget : {size_t(0), size_t(4), size_t(50), size_t(300)}) {
        SCOPED_TRACE(budget);
        SetWizardStateWriterFactory([budget] { return std::make_unique<FailingWriter>(budget); });
        EXPECT_EQ(SaveRecoveryState(files, nullptr), 0);
        EXPECT_EQ(ReadAll(path), good);
    }
    SetWizardStateWriterFactory({});
    // The next run promotes the good state and restores it.
    ASSERT_EQ(PromoteRecoveryStateFile(&Fake(0)), 1);
    files->Reset();
    EXPECT_EQ(RestoreRecoveryState(&Fake(0), nullptr), files);
}

// Every single-byte change and every cut of a whole saved file: refused (nothing restored is kept), or
// restored exactly as saved.
TEST_F(WizardStateFilesTest, EveryFlippedByteAndEveryCutIsRefusedOrRestoredWhole)
{
    Fake(1).SetPrevious(&Fake(0));
    ShowTreeAfter(&Fake(1));
    const std::string tree = DumpTree(files->GetRoot());
    const WizardStatePaths paths = Paths(kScanFormat);
    ASSERT_EQ(PromoteRecoveryStateFile(&Fake(0)), 1);
    const std::vector<uint8_t> good = ReadAll(paths.last);

    auto check = [&](const std::vector<uint8_t>& bytes, const std::string& what) {
        WriteAll(paths.last, bytes);
        files->Reset();
        Fake(1).restored.clear();
        IWizardPageController* restored = RestoreRecoveryState(&Fake(0), nullptr);
        if (!restored) {
            EXPECT_EQ(files->GetRoot(), nullptr) << what;
            EXPECT_TRUE(Fake(1).restored.empty()) << what;
            return;
        }
        EXPECT_EQ(restored, files) << what;
        EXPECT_EQ(DumpTree(files->GetRoot()), tree) << what;
        EXPECT_EQ(Fake(1).restored, std::vector<uint8_t>(50, 0xA1)) << what;
    };
    for (size_t at = 0; at < good.size(); ++at) {
        std::vector<uint8_t> bytes = good;
        bytes[at] ^= 0x5A;
        check(bytes, "flip at " + std::to_string(at));
    }
    for (size_t size = 0; size < good.size(); ++size)
        check(std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(size)),
              "cut at " + std::to_string(size));
}
