// The build, intelligent-search and lost-partition progress dialogs driven offscreen: progress from a
// worker reaches the dialog on the interface thread, cancel at any point, Enter never ends a dialog, the
// runners over real fixture images with the figures shown against the trees found, and screenshots in each
// language.
#include "views/devices/CBuildDirectoryDlg.h"
#include "views/devices/CDIRBuildCallback.h"
#include "views/devices/CDirTreeBuilder.h"
#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/CLostPartitionSearchingDialog.h"
#include "views/devices/LostPartitionMerge.h"
#include "views/devices/CLostPartitionSearchTask.h"
#include "filesystems/partitions/IntelligentSearchRunner.h"
#include "core/devices/CImageFileDevice.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/tree/CRawFileList.h"
#include "raw/CRAWSearchController.h"
#include "tests/support/FixtureManifests.h"
#include "filesystems/partitions/DeviceRecords.h"

#include "controller/IWizardServices.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "tests/support/FailingSectorsBlockDevice.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

QString S(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}

std::unique_ptr<testsupport::MemoryDevice> Fixture(const std::string& name)
{
    testsupport::TempDir tmp;
    const std::string out = (tmp / "image").string();
    const std::string cmd =
        "xz -dc '" + std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + name + "' > '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return nullptr;
    std::ifstream in(out, std::ios::binary);
    return std::make_unique<testsupport::MemoryDevice>(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}));
}

void PumpUntil(const std::function<bool()>& done, int ms = 5000)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < end) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

class TimedEvents : public IWizardServices {
public:
    std::vector<unsigned> events;
    unsigned LogRecoveryPhase(unsigned code) override { return code; }
    void ReportEvent(unsigned) override {}
    void ReportTimedEvent(unsigned id, uint64_t) override { events.push_back(id); }
    void ShowAdvanceSetting(bool) override {}
};

} // namespace

TEST(BuildDirectoryDlg, ElapsedTextAndReportsFromAWorkerReachTheBar)
{
    EXPECT_EQ(CBuildDirectoryDlg::FormatElapsed(25u * 3600 * 1000, 0), "25:00:00");
    EXPECT_EQ(CBuildDirectoryDlg::FormatElapsed(5, 4294967000u), "00:00:00"); // the tick count wrapped
    CBuildDirectoryDlg dlg(nullptr);
    CDIRBuildCallback cb(&dlg);
    dlg.ShowModeless();
    std::thread worker([&] {
        cb.Begin("NTFS: 100% of %s %n", 200);
        cb.Step(50);
        cb.SetPos(120);
    });
    worker.join();
    PumpUntil([&] { return dlg.ProgressBar()->value() == 120; });
    EXPECT_EQ(dlg.ProgressBar()->maximum(), 200);
    EXPECT_EQ(dlg.Title()->text(), QStringLiteral("NTFS: 100% of %s %n"));
    std::thread([&] { cb.Finish(); }).join();
    PumpUntil([&] { return dlg.ProgressBar()->value() == 200; });
    EXPECT_EQ(dlg.ProgressBar()->value(), 200);
    // Begin after Finish starts again at 0.
    std::thread([&] { cb.Begin("second", 10); }).join();
    PumpUntil([&] { return dlg.ProgressBar()->maximum() == 10; });
    EXPECT_EQ(dlg.ProgressBar()->value(), 0);
    EXPECT_EQ(dlg.Elapsed()->text(), QStringLiteral("00:00:00"));
    dlg.EndDialog(0);
}

TEST(BuildDirectoryDlg, CancelAsksThenStopsAndEnterNeverEnds)
{
    int asked = 0;
    CScopedMessageBoxResponder answer([&](const MessageBoxRequest& r) {
        EXPECT_EQ(r.text, S(216));
        return ++asked == 1 ? IDNO : IDYES;
    });
    CBuildDirectoryDlg dlg(nullptr);
    dlg.ShowModeless();
    const QString title = dlg.windowTitle();
    QTest::keyClick(&dlg, Qt::Key_Return);
    EXPECT_TRUE(dlg.isVisible());
    dlg.CancelButton()->click(); // No
    EXPECT_EQ(dlg.CheckCancel(), 0);
    EXPECT_EQ(dlg.windowTitle(), title);
    QTest::keyClick(&dlg, Qt::Key_Escape); // Yes
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(dlg.CheckCancel(), -1);
    EXPECT_EQ(dlg.Step(1), -1);
    EXPECT_FALSE(dlg.CancelButton()->isEnabled());
    EXPECT_EQ(dlg.windowTitle(), S(402));
    EXPECT_TRUE(dlg.isVisible());
    dlg.EndDialog(0);

    CBuildDirectoryDlg quiet(nullptr);
    quiet.ShowModeless();
    quiet.HideCancelButton();
    quiet.OnCancelCommand();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(quiet.CheckCancel(), 0);
    quiet.EndDialog(0);
}

TEST(DirTreeBuilder, BuildsFixturesAndACancelDoesNotStickToTheNextBuild)
{
    auto fat = Fixture("fat16.img.xz");
    auto ext = Fixture("ext2-1k.img.xz");
    ASSERT_TRUE(fat && ext);
    QWidget main;
    main.show();
    CDirTreeBuilder runner;
    bool mainDisabledDuring = false;
    CFileSystemNode* tree = runner.Run([&](IDIRBuildCallback*, const std::function<void()>&) {
        mainDisabledDuring = !main.isEnabled();
        return static_cast<CFileSystemNode*>(nullptr);
    });
    EXPECT_EQ(tree, nullptr);
    EXPECT_TRUE(mainDisabledDuring);
    EXPECT_TRUE(main.isEnabled());

    // A cancelled build, then a good one on the same object.
    CScopedMessageBoxResponder yes([](const MessageBoxRequest&) { return IDYES; });
    runner.Run([&](IDIRBuildCallback* cb, const std::function<void()>&) {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<CBuildDirectoryDlg*>(w)) b->OnCancelCommand();
        EXPECT_EQ(cb->CheckCancel(), -1);
        return static_cast<CFileSystemNode*>(nullptr);
    });
    EXPECT_EQ(runner.IsCancelled(), 1);
    tree = runner.BuildFAT(fat.get(), 0, 1);
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(runner.IsCancelled(), 0);
    EXPECT_NE(tree->GetFirstChild(), nullptr);
    DeleteFoundTree(tree);
    tree = runner.BuildEXT2(ext.get());
    ASSERT_NE(tree, nullptr);
    DeleteFoundTree(tree);
    // Not an NTFS volume: no tree, no cancel.
    EXPECT_EQ(runner.BuildNTFS(fat.get()), nullptr);
    EXPECT_EQ(runner.IsCancelled(), 0);
}

TEST(IntelligentSearchingDialog, ScaleRemainingAndCounters)
{
    EXPECT_EQ(CIntelligentSearchingDialog::ScaleOf(0, 400).scale, 1u);
    EXPECT_EQ(CIntelligentSearchingDialog::ScaleOf(0, 400).range, 400);
    EXPECT_EQ(CIntelligentSearchingDialog::ScaleOf(0, 123456).scale, 1000u);
    EXPECT_EQ(CIntelligentSearchingDialog::ScaleOf(0, 123456).range, 123);
    EXPECT_EQ(CIntelligentSearchingDialog::ScaleOf(0, 1000).scale, 1u);
    EXPECT_EQ(CIntelligentSearchingDialog::ScaleOf(0, ~0ull).range <= 1000, true);
    EXPECT_EQ(CIntelligentSearchingDialog::ScaleOf(5, 5).range, 0);
    EXPECT_EQ(CIntelligentSearchingDialog::RemainingText(0, false), S(132));
    EXPECT_EQ(CIntelligentSearchingDialog::RemainingText(90061000, false), QStringLiteral("25:01:01"));
    // Less than a second left, or an estimate of none, while blocks remain: never 00:00:00 before the end.
    EXPECT_EQ(CIntelligentSearchingDialog::RemainingText(400, false), QStringLiteral("00:00:01"));
    EXPECT_EQ(CIntelligentSearchingDialog::RemainingText(0, true), QStringLiteral("00:00:01"));
    EXPECT_EQ(CIntelligentSearchingDialog::RemainingText(-5, true), QStringLiteral("00:00:01"));
    EXPECT_EQ(CIntelligentSearchingDialog::RemainingText(1001, true), QStringLiteral("00:00:02"));
    EXPECT_EQ(CIntelligentSearchingDialog::RemainingText(0, true, true), QStringLiteral("00:00:00"));
}

TEST(IntelligentSearchingDialog, ProgressFromTheSearchThreadAndOneUsageEventPerCancel)
{
    TimedEvents services;
    SetWizardServices(&services);
    GetRecoverySettings()->m_recoveryMode = 1;
    int asked = 0;
    CScopedMessageBoxResponder yes([&](const MessageBoxRequest& r) {
        EXPECT_EQ(r.text, S(239));
        return ++asked == 1 ? IDNO : IDYES;
    });
    std::atomic<bool> sawCancel{false};
    QString total, expanded;
    std::atomic<bool> countersShown{false};
    const bool started = RunIntelligentSearchDialog([&](IIntelligentSearchCallback* cb) {
        cb->SetRange(0, 123456);
        CIntelligentSearchStatistics st;
        st.TotalFilesFound = 3000000000ll; // above 2^31
        st.FATFolders = 7;
        for (uint64_t block = 0; block < 123456 && !cb->IsCancelled(); block += 100) {
            cb->SetStatistics(&st);
            cb->SetPosition(block);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (block == 40000) {
                QMetaObject::invokeMethod(
                    qApp,
                    [&] {
                        for (QWidget* w : QApplication::topLevelWidgets())
                            if (auto* d = qobject_cast<CIntelligentSearchingDialog*>(w)) {
                                QTest::keyClick(d, Qt::Key_Return); // Enter does nothing
                                d->OnCancelCommand();               // No
                                d->OnTick(); // the counters' texts are kept while they are hidden
                                expanded = d->Value(1008)->text();
                                total = d->Value(1014)->text();
                                d->OnCancelCommand(); // Yes
                                d->OnCancelCommand(); // nothing more
                            }
                    },
                    Qt::BlockingQueuedConnection);
            }
        }
        sawCancel = cb->IsCancelled() != 0;
    });
    EXPECT_TRUE(started);
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(services.events, std::vector<unsigned>{8216});
    EXPECT_EQ(total, QStringLiteral("3000000000"));
    EXPECT_EQ(expanded, QStringLiteral("7"));
    SetWizardServices(nullptr);
    GetRecoverySettings()->m_recoveryMode = 0;
}

TEST(IntelligentSearchingDialog, AQuickSearchEndsTheDialogAtTheFirstTick)
{
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(RunIntelligentSearchDialog([](IIntelligentSearchCallback* cb) { cb->SetRange(0, 10); }));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

TEST(LostPartitionSearchingDialog, RemainingTimeClampsAndWaitsFiveSeconds)
{
    EXPECT_EQ(CLostPartitionSearchingDialog::RemainingText(4999, 50, 100), S(132));
    EXPECT_EQ(CLostPartitionSearchingDialog::RemainingText(10000, 0, 100), S(132));
    EXPECT_EQ(CLostPartitionSearchingDialog::RemainingText(10000, 50, 100), QStringLiteral("00:00:11"));
    // More candidates than announced: no wrapped-around time.
    EXPECT_EQ(CLostPartitionSearchingDialog::RemainingText(10000, 150, 100), QStringLiteral("00:00:01"));
}

TEST(LostPartitionSearchingDialog, HitsAreCopiedAndCancelFreezesAndReportsOnce)
{
    TimedEvents services;
    SetWizardServices(&services);
    int asked = 0;
    CScopedMessageBoxResponder yes([&](const MessageBoxRequest& r) {
        EXPECT_EQ(r.text, S(241));
        return ++asked == 1 ? IDNO : IDYES;
    });
    std::vector<CLostPartitionRecord> out;
    RunLostPartitionSearchDialog(
        [&](IPartitionSearchCallback* cb, const std::function<void()>& pump) {
            std::atomic<bool> done{false};
            std::thread worker([&] {
                cb->SetRange(0, 1000);
                cb->SetStep(1);
                for (int i = 0; i < 1000 && !cb->IsCancelled(); ++i) {
                    cb->Step();
                    cb->PumpMessages();
                    if (i % 100 == 0) {
                        CLostPartitionRecord r;
                        r.u64StartSector = uint64_t(i) * 63;
                        r.u64SectorCount = 100;
                        cb->OnPartitionFound(&r);
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                done = true;
            });
            bool cancelled = false;
            while (!done) {
                pump();
                if (!cancelled)
                    for (QWidget* w : QApplication::topLevelWidgets())
                        if (auto* d = qobject_cast<CLostPartitionSearchingDialog*>(w); d && d->GetProcessed() > 300) {
                            QTest::keyClick(d, Qt::Key_Return);
                            d->OnCancelCommand(); // No
                            d->OnCancelCommand(); // Yes
                            d->OnCancelCommand(); // already cancelled
                            EXPECT_EQ(d->windowTitle(), S(402));
                            cancelled = true;
                        }
            }
            worker.join();
        },
        out);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(services.events, std::vector<unsigned>{8243});
    ASSERT_GE(out.size(), 4u);
    EXPECT_LT(out.size(), 10u);
    EXPECT_EQ(out[1].u64StartSector, 6300u);
    SetWizardServices(nullptr);
}

TEST(ProgressDialogs, ScreenshotsInEachLanguage)
{
    InstallFontSubstitutes();
    auto& lib = CResourceLibrary::Instance();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        {
            CBuildDirectoryDlg dlg(nullptr);
            dlg.ShowModeless();
            dlg.Begin("NTFS:Building Directories...", 100);
            dlg.SetPos(40);
            PumpUntil([&] { return dlg.ProgressBar()->value() == 40; });
            EXPECT_TRUE(dlg.grab().save(folder + "/build_directory_" + language + ".png"));
            dlg.EndDialog(0);
        }
        for (bool expand : {false, true}) {
            CIntelligentSearchingDialog dlg(nullptr);
            if (expand) dlg.Expand();
            dlg.ShowModeless();
            dlg.SetRange(0, 400);
            CIntelligentSearchStatistics st;
            st.FATBootRecords = 2;
            st.TotalFilesFound = 12345;
            dlg.SetStatistics(&st);
            dlg.OnTick();
            QApplication::processEvents();
            EXPECT_TRUE(
                dlg.grab().save(folder + "/intelligent_search_" + (expand ? "expanded_" : "") + language + ".png"));
            dlg.OnSearchFinished();
            dlg.OnTick();
        }
        {
            CLostPartitionSearchingDialog dlg(nullptr);
            dlg.ShowModeless();
            dlg.SetRange(0, 100);
            dlg.SetPos(30);
            dlg.OnTick();
            QApplication::processEvents();
            EXPECT_TRUE(dlg.grab().save(folder + "/partition_search_" + language + ".png"));
            dlg.EndDialog(0);
        }
    }
    lib.UnloadLanguageBundle();
}

TEST(LostPartitionMerge, AHitAtATableStartIsDroppedAndAnOverlapKept)
{
    static int deleted = 0;
    struct Window : testsupport::MemoryDevice {
        Window() : MemoryDevice(8) {}
        ~Window() override { ++deleted; }
    };
    CBasicPartitionList table(1);
    table[0].u64StartSector = 63;
    table[0].u64SectorCount = 1000;
    std::vector<CLostPartitionRecord> hits(3);
    hits[0].u64StartSector = 63; // the table's partition, found with another size
    hits[0].u64SectorCount = 500;
    hits[0].pDevice = new Window;
    hits[1].u64StartSector = 100; // inside it, starting elsewhere
    hits[1].pDevice = new Window;
    hits[2].u64StartSector = 5000;
    std::vector<CLostPartitionRecord> out;
    MergeWithPartitionTable(hits, table, out);
    EXPECT_TRUE(hits.empty());
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].u64StartSector, 100u);
    EXPECT_EQ(out[1].u64StartSector, 5000u);
    EXPECT_EQ(deleted, 1);
    delete out[0].pDevice;
}

TEST(LostPartitionSearchTask, FindsThePartitionsOfAZeroedTable)
{
    auto disk = Fixture("lost-disk.img.xz");
    ASSERT_TRUE(disk);
    DiskDeviceRecord record;
    record.pDevice = disk.get();
    record.nHeads = 255;
    std::vector<CLostPartitionRecord> out;
    CLostPartitionSearchTask().RunAndMerge(record, out);
    std::vector<uint64_t> starts;
    for (const CLostPartitionRecord& r : out) {
        starts.push_back(r.u64StartSector);
        delete r.pDevice;
    }
    std::sort(starts.begin(), starts.end()); // reported in search order: cylinders first, then MiB boundaries
    EXPECT_EQ(starts, (std::vector<uint64_t>{63, 81920, 112455}));
}

TEST(IntelligentSearchRunner, AFormattedVolumeGivesBackItsPartition)
{
    auto volume = Fixture("fat32.img.xz");
    ASSERT_TRUE(volume);
    CFATSearchController fat;
    CSearchedPartitionList found;
    RunIntelligentSearch(volume.get(), {&fat}, found);
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front()->u64StartSector, 0u);
    EXPECT_EQ(found.front()->bRecommended, 1);
    for (CSearchedPartitionInfo* p : found) DeleteSearchedPartitionInfo(p);
}

namespace {

// What the intelligent-search dialog showed: every sample taken while it stood, and its last look.
struct SearchDialogLook {
    int value = 0, maximum = 0;
    QString remaining, total;
};

class SearchDialogWatch : public QObject {
public:
    SearchDialogWatch()
    {
        qApp->installEventFilter(this);
        connect(&m_sampler, &QTimer::timeout, this, [this] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<CIntelligentSearchingDialog*>(w); d && d->isVisible())
                    samples.push_back(Look(d));
        });
        m_sampler.start(5);
    }
    ~SearchDialogWatch() override { qApp->removeEventFilter(this); }
    std::vector<SearchDialogLook> samples;
    SearchDialogLook last;

protected:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Hide)
            if (auto* d = qobject_cast<CIntelligentSearchingDialog*>(o)) last = Look(d);
        return false;
    }

private:
    static SearchDialogLook Look(CIntelligentSearchingDialog* d)
    {
        return {d->ProgressBar()->value(), d->ProgressBar()->maximum(),
                d->Value(CIntelligentSearchingDialog::kRemainingId)->text(),
                d->Value(CIntelligentSearchingDialog::kCollapsedValueId)->text()};
    }
    QTimer m_sampler;
};

} // namespace

// The figures of a whole search against the tree it leads to: the files found are the files the trees of
// the recommended partitions hold (a disk with FAT32, NTFS and ext2 partitions and a long empty tail, a
// FAT32 volume formatted as NTFS, an NTFS volume, a FAT12 volume with deleted files and folders), the
// remaining time never reads 00:00:00 while the bar is short of its end, and the bar ends full.
TEST(IntelligentSearchRunner, TheFiguresShownAreThoseOfTheFinishedTree)
{
    const struct {
        const char* fixture;
        uint64_t tail;
    } cases[] = {{"lost-disk", 512ull << 20}, {"format-fat32-as-ntfs", 0}, {"ntfs_small", 0}, {"fat12", 0}};
    testsupport::TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const std::string path = (dir / c.fixture).string();
        ASSERT_TRUE(testsupport::ExtractFixtureImage(c.fixture, path));
        if (c.tail) std::filesystem::resize_file(path, std::filesystem::file_size(path) + c.tail);
        CImageFileDevice device(path);
        ASSERT_TRUE(device.IsOpen());
        CFATSearchController fat;
        CNTFSSearchController ntfs;
        CEXT2SearchController ext2;
        CRAWSearchController raw;
        CRawFileList hits;
        const CSearchControllerList scanners{&fat, &ntfs, &ext2, &raw};
        SetControllersRawFileList(scanners, &hits);
        CSearchedPartitionList found;
        SearchDialogWatch watch;
        EXPECT_EQ(RunIntelligentSearch(&device, scanners, found, RunIntelligentSearchDialog),
                  IntelligentSearchEnd::Finished);
        ASSERT_FALSE(found.empty());
        uint64_t files = 0;
        int index = 0;
        for (CSearchedPartitionInfo* p : found) {
            if (p->bRecommended)
                if (CFileSystemNode* tree = DispatchBuildDirectory(scanners, p, &device, index, nullptr)) {
                    tree->RecomputeStatistics();
                    FileTreeStatistics s;
                    if (tree->GetStatistics(s)) files += s.files;
                    DeleteFoundTree(tree);
                }
            ++index;
            DeleteSearchedPartitionInfo(p);
        }
        EXPECT_GT(files, 0u);
        EXPECT_EQ(watch.last.total.toStdString(), std::to_string(files));
        EXPECT_EQ(watch.last.value, watch.last.maximum);
        EXPECT_EQ(watch.last.remaining.toStdString(), "00:00:00");
        EXPECT_FALSE(watch.samples.empty());
        const auto early = std::count_if(watch.samples.begin(), watch.samples.end(), [](const SearchDialogLook& l) {
            return l.value < l.maximum && l.remaining == QStringLiteral("00:00:00");
        });
        EXPECT_EQ(early, 0) << "of " << watch.samples.size() << " samples";
    }
}

namespace {

// A fixture image unpacked into dir; its path.
std::string Unpacked(const std::string& fixture, const testsupport::TempDir& dir)
{
    const std::string out = (dir / fixture).string();
    const std::string cmd =
        "xz -dc '" + std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/" + fixture + ".xz' > '" + out + "'";
    return std::system(cmd.c_str()) == 0 ? out : std::string();
}

} // namespace

// Each scan that runs under a progress dialog (a directory build, the one-pass search, the lost-partition
// search) over a disk whose reads fail in a stretch tells, once its dialog has gone, how many sectors it read
// as zeros, in a box a person answers with OK. Nothing is told of a disk that reads whole.
TEST(ScanDialogs, EachTellsTheSectorsItReadAsZeros)
{
    InstallFontSubstitutes();
    testsupport::TempDir dir;
    const std::string fat16 = Unpacked("fat16.img", dir), lostDisk = Unpacked("lost-disk.img", dir);
    ASSERT_FALSE(fat16.empty() || lostDisk.empty());
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    using Ranges = testsupport::FailingSectorsBlockDevice::Ranges;
    const struct {
        const char* name;
        std::string image;
        Ranges bad; // 512-byte sectors
        uint64_t told;
        std::function<void(IStorageDevice*)> scan;
    } cases[] = {
        // The first two sectors of the FAT16 root directory.
        {"build",
         fat16,
         {{68, 69}},
         2,
         [](IStorageDevice* d) {
             CDirTreeBuilder runner;
             DeleteFoundTree(runner.BuildFAT(d, 0, 1));
         }},
        {"search",
         fat16,
         {{200, 207}},
         8,
         [](IStorageDevice* d) {
             CFATSearchController fat;
             CSearchedPartitionList found;
             RunIntelligentSearch(d, {&fat}, found, RunIntelligentSearchDialog);
             for (CSearchedPartitionInfo* p : found) DeleteSearchedPartitionInfo(p);
         }},
        // The boot sector of the first lost partition.
        {"lost",
         lostDisk,
         {{63, 63}},
         1,
         [](IStorageDevice* d) {
             DiskDeviceRecord record;
             record.pDevice = d;
             record.nHeads = 255;
             std::vector<CLostPartitionRecord> out;
             CLostPartitionSearchTask().RunAndMerge(record, out);
             for (const CLostPartitionRecord& r : out) delete r.pDevice;
         }},
    };
    for (const auto& c : cases) {
        for (const bool failing : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (failing ? " over failing sectors" : " over a whole disk"));
            CImageFileDevice device(c.image, [&](std::unique_ptr<plat::IBlockDevice> inner) {
                if (!failing) return inner;
                return std::unique_ptr<plat::IBlockDevice>(
                    std::make_unique<testsupport::FailingSectorsBlockDevice>(std::move(inner), c.bad));
            });
            ASSERT_TRUE(device.IsOpen());
            QStringList told;
            QTimer answer;
            QObject::connect(&answer, &QTimer::timeout, [&] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                told << box->text();
                box->grab().save(folder + QStringLiteral("/scan-unreadable-%1.png").arg(QString::fromLatin1(c.name)));
                QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
            });
            answer.start(20);
            c.scan(&device);
            answer.stop();
            if (!failing) {
                EXPECT_TRUE(told.isEmpty()) << told.join(QStringLiteral(" / ")).toStdString();
                continue;
            }
            ASSERT_EQ(told.size(), 1);
            EXPECT_EQ(told.front(), QStringLiteral("%1 sectors could not be read (%2 bytes), 0 of them passed over "
                                                   "unread.\nThey were read as zeros: what lies on them may be "
                                                   "missing or damaged.")
                                        .arg(c.told)
                                        .arg(c.told * 512));
        }
    }
}
