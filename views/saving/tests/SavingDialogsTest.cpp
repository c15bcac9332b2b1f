// The saving dialogs driven through their widgets offscreen: a FAT16 fixture saved byte-exact under the
// progress dialog, a cancel in the middle, a full target, partial files in the summary, the single-file
// dialog replacing a file only when done, and screenshots of each dialog in each language.
#include "storage/saving/CFileSaver.h"
#include "views/saving/CFileSaveDlg.h"
#include "views/saving/CRBClickRecoverFileDlg.h"
#include "views/saving/CRecoveringDlg.h"
#include "views/saving/CSaveFilePathDlg.h"
#include "views/saving/CSaveFileResultDlg.h"

#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "filesystems/tree/IFileProperties.h"
#include "storage/saving/RecoverResult.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/RawImageComposer.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct ManifestFile {
    std::string path;
    std::string sha256;
};

// The FAT16 fixture unpacked, its tree built and put under a selection root with everything checked.
struct FatSelection {
    FatSelection()
    {
        const std::string dir = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/";
        const std::string cmd = "xz -dc '" + dir + "fat16.img.xz' > '" + (tmp / "image").string() + "'";
        if (std::system(cmd.c_str()) != 0) return;
        device = std::make_unique<testsupport::MemoryDevice>(ReadAll(tmp / "image"));
        tree = BuildFAT(device.get(), false, true, nullptr);
        if (!tree) return;
        tree->ToggleCheckState(tree, false);
        root.AddChild(tree);
        std::ifstream manifest(dir + "fat16.manifest");
        std::string line;
        while (std::getline(manifest, line)) {
            std::istringstream in(line);
            std::string state, path, size, sha, time, exact;
            if (line.empty() || line[0] == '#') continue;
            std::getline(in, state, '\t');
            std::getline(in, path, '\t');
            std::getline(in, size, '\t');
            std::getline(in, sha, '\t');
            std::getline(in, time, '\t');
            std::getline(in, exact, '\t');
            if (state == "live" && exact == "1") files.push_back({path, sha});
        }
    }
    ~FatSelection()
    {
        if (tree) {
            root.RemoveChild(tree);
            DeleteFoundTree(tree);
        }
    }

    testsupport::TempDir tmp;
    std::unique_ptr<testsupport::MemoryDevice> device;
    CFileSystemNode* tree = nullptr;
    CFileSystemNode root;
    std::vector<ManifestFile> files;
};

using testsupport::FileSizeLimit;

QString ScreenshotFolder()
{
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    return dir;
}

} // namespace

TEST(RecoveringDlg, SavesTheFixtureByteExactAndShowsItsFigures)
{
    FatSelection s;
    ASSERT_TRUE(s.tree);
    ASSERT_FALSE(s.files.empty());
    CRecoveringDlg dlg(&s.root, s.device.get(), QString::fromStdString((s.tmp / "out").string()), nullptr);
    EXPECT_EQ(dlg.DoModal(), 1);
    const SaveCheckedOutcome& out = dlg.GetOutcome();
    EXPECT_EQ(out.result, kRecoverSaved);
    ASSERT_EQ(dlg.GetMadeFolders().size(), 1);
    EXPECT_EQ(dlg.GetDoneFiles(), dlg.GetFileCount());
    EXPECT_EQ(dlg.Value(CRecoveringDlg::kDoneFilesId)->text(), QString::number(dlg.GetFileCount()));
    EXPECT_EQ(dlg.Value(CRecoveringDlg::kTotalBytesId)->text(), dlg.Value(CRecoveringDlg::kDoneBytesId)->text());
    const fs::path made = dlg.GetMadeFolders()[0].toStdString();
    for (const ManifestFile& f : s.files) {
        SCOPED_TRACE(f.path);
        EXPECT_EQ(testsupport::Sha256Hex(ReadAll(made / f.path.substr(1))), f.sha256);
    }
}

TEST(RecoveringDlg, CancelInTheMiddleStopsTheSaveAfterTheQuestion)
{
    FatSelection s;
    ASSERT_TRUE(s.tree);
    std::atomic<int> reads{0};
    std::atomic<bool> held{false}, release{false};
    // The fifth file read waits until the user has answered.
    s.device->SetReadHook([&](uint64_t, uint64_t) {
        if (++reads == 5) {
            held = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    int asked = 0;
    CScopedMessageBoxResponder yes([&](const MessageBoxRequest& r) {
        ++asked;
        EXPECT_EQ(r.text, CResourceLibrary::Instance().LoadString(246));
        return asked == 1 ? IDNO : IDYES;
    });
    CRecoveringDlg dlg(&s.root, s.device.get(), QString::fromStdString((s.tmp / "out").string()), nullptr);
    QTimer poll;
    QString titleWhileCancelling;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!held || release) return;
        // Enter and Escape do not end it; No goes on; Yes cancels.
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        dlg.CancelButton()->click();
        EXPECT_TRUE(dlg.CancelButton()->isEnabled());
        dlg.CancelButton()->click();
        EXPECT_FALSE(dlg.CancelButton()->isEnabled());
        titleWhileCancelling = dlg.windowTitle();
        release = true;
    });
    poll.start(5);
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(titleWhileCancelling, CResourceLibrary::Instance().LoadString(402));
    EXPECT_EQ(dlg.GetOutcome().result, kRecoverCancelled);
    EXPECT_LT(dlg.GetDoneFiles(), dlg.GetFileCount());
}

TEST(RecoveringDlg, AFullTargetAndUnreadableSectorsShowInTheSummary)
{
    FatSelection s;
    ASSERT_TRUE(s.tree);
    int saved = 0, failed = 0;
    {
        // Files of more than 1 KiB cannot be written whole.
        FileSizeLimit limit(1024);
        CRecoveringDlg dlg(&s.root, s.device.get(), QString::fromStdString((s.tmp / "full").string()), nullptr);
        dlg.DoModal();
        saved = dlg.GetOutcome().counts.filesSaved;
        failed = dlg.GetOutcome().counts.filesFailed;
        EXPECT_EQ(dlg.GetOutcome().result, kRecoverPartial);
    }
    EXPECT_GT(saved, 0);
    EXPECT_GT(failed, 0);

    // Every sector of the data area fails: the files of which no byte can be read are not saved (no file of
    // zeros is left under a found name), and the summary counts them.
    FatSelection broken;
    ASSERT_TRUE(broken.tree);
    broken.device->FailSectors(600, broken.device->GetSectorCount() - 600);
    CRecoveringDlg dlg(&broken.root, broken.device.get(), QString::fromStdString((broken.tmp / "out").string()),
                       nullptr);
    dlg.DoModal();
    const RecoverCounts& c = dlg.GetOutcome().counts;
    EXPECT_GT(c.filesFailed, 0);
    EXPECT_EQ(c.firstReason, CFileSaver::kNothingReadReason);
    CFileSaveDlg summary(nullptr);
    summary.SetSavedFolders(dlg.GetMadeFolders());
    summary.ShowResult(dlg.GetFileCount(), c.filesSaved, c.filesPartial, c.filesFailed);
    summary.SetSavePath(QString::fromStdString((broken.tmp / "out").string()));
    EXPECT_EQ(summary.Line(CFileSaveDlg::kResultId)->text(), CResourceLibrary::Instance().LoadString(221));
    EXPECT_TRUE(summary.Line(CFileSaveDlg::kTotalId)->text().contains(QString::number(c.filesFailed)));
    EXPECT_EQ(summary.Link()->Files(), dlg.GetMadeFolders());
}

TEST(FileSaveDlg, ResultLinesAndLinkText)
{
    auto& lib = CResourceLibrary::Instance();
    CFileSaveDlg dlg(nullptr);
    const struct {
        int toRecover, recovered;
        unsigned id;
    } rows[] = {{10, 10, 285}, {10, 7, 221}, {10, 0, 220}};
    for (const auto& r : rows) {
        dlg.ShowResult(r.toRecover, r.recovered);
        EXPECT_EQ(dlg.Line(CFileSaveDlg::kResultId)->text(), lib.LoadString(r.id));
    }
    EXPECT_EQ(dlg.Line(CFileSaveDlg::kTotalId)->text(), lib.LoadString(223) + "0" + lib.LoadString(224));
    EXPECT_TRUE(dlg.Line(CFileSaveDlg::kShortSourceId)->text().isEmpty());
    // A source shorter than its file system: every file saved is still not all there was.
    dlg.ShowResult(10, 10, 0, 0, true);
    EXPECT_EQ(dlg.Line(CFileSaveDlg::kResultId)->text(), lib.LoadString(221));
    EXPECT_EQ(dlg.Line(CFileSaveDlg::kShortSourceId)->text(), lib.LoadText(QStringLiteral("save.short-source")));
    dlg.ShowControls();
    EXPECT_TRUE(dlg.Line(CFileSaveDlg::kShortSourceId)->isVisibleTo(&dlg));
    dlg.ShowResult(10, 10);
    EXPECT_FALSE(dlg.Line(CFileSaveDlg::kShortSourceId)->isVisibleTo(&dlg));
    EXPECT_EQ(CFileSaveDlg::LinkText(QString(30, 'a')), QString(25, 'a') + "...");
    EXPECT_EQ(CFileSaveDlg::LinkText(QString(25, 'a')), QString(25, 'a'));
}

TEST(RBClickRecoverFileDlg, ReplacesOnlyWhenSavedAndAbortKeepsTheOldFile)
{
    FatSelection s;
    ASSERT_TRUE(s.tree);
    // The first file of the root with more than one sector of data.
    CFileNode* file = nullptr;
    for (CFileNode* c = s.tree->GetFirstChild(); c && !file; c = c->GetNextSibling())
        if (c->GetProperties() && !(c->GetProperties()->GetAttributes() & 0x10) &&
            c->GetProperties()->GetSize() > 1000 && c->GetProperties()->GetState() == 0)
            file = c;
    ASSERT_TRUE(file);
    const fs::path target = s.tmp / "chosen.bin";
    std::ofstream(target) << "mine";

    {
        s.device->SetReadHook([&](uint64_t, uint64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
        CRBClickRecoverFileDlg dlg(s.device.get(), file, QString::fromStdString(target.string()), nullptr);
        QTimer::singleShot(20, [&] { dlg.CancelButton()->click(); });
        EXPECT_EQ(dlg.DoModal(), CRBClickRecoverFileDlg::kNotSaved);
        EXPECT_EQ(dlg.GetResultCode(), kRecoverCancelled);
        EXPECT_EQ(ReadAll(target), std::vector<uint8_t>({'m', 'i', 'n', 'e'}));
        s.device->SetReadHook({});
    }
    CRBClickRecoverFileDlg dlg(s.device.get(), file, QString::fromStdString(target.string()), nullptr);
    EXPECT_EQ(dlg.DoModal(), CRBClickRecoverFileDlg::kSaved);
    EXPECT_EQ(dlg.Value(CRBClickRecoverFileDlg::kPercentId)->text(), "100%");
    EXPECT_EQ(fs::file_size(target), file->GetProperties()->GetSize());
    EXPECT_EQ(std::distance(fs::directory_iterator(s.tmp.path()), fs::directory_iterator()), 2)
        << "image and target only";

    // A failed save says so.
    s.device->FailSectors(0, s.device->GetSectorCount());
    int warned = 0;
    CScopedMessageBoxResponder answer([&](const MessageBoxRequest& r) {
        warned += r.text.startsWith(CResourceLibrary::Instance().LoadString(245));
        return IDOK;
    });
    CRBClickRecoverFileDlg failing(s.device.get(), nullptr, QString::fromStdString(target.string()), nullptr);
    EXPECT_EQ(failing.DoModal(), CRBClickRecoverFileDlg::kNotSaved);
    EXPECT_EQ(warned, 1);
}

TEST(RBClickRecoverFileDlg, AFailedSaveTellsItsFirstReasonInEachLanguage)
{
    // A file of which nothing can be read (the saver's own reason, translated) and one that does not fit the
    // target (the system's reason, as the system words it), in each language: the message names the reason on
    // a line of its own after "Failed to recover this file.", as the result page does.
    auto& lib = CResourceLibrary::Instance();
    FatSelection s;
    ASSERT_TRUE(s.tree);
    CFileNode* file = nullptr;
    for (CFileNode* c = s.tree->GetFirstChild(); c && !file; c = c->GetNextSibling())
        if (c->GetProperties() && !(c->GetProperties()->GetAttributes() & 0x10) &&
            c->GetProperties()->GetSize() > 2048 && c->GetProperties()->GetState() == 0)
            file = c;
    ASSERT_TRUE(file);
    std::vector<QString> texts;
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        const QString failed = lib.LoadString(245);
        texts.clear();
        auto answer = std::make_unique<CScopedMessageBoxResponder>([&](const MessageBoxRequest& r) {
            texts.push_back(r.text);
            return IDOK;
        });
        {
            FileSizeLimit limit(1024);
            CRBClickRecoverFileDlg dlg(s.device.get(), file, QString::fromStdString((s.tmp / "big.bin").string()),
                                       nullptr);
            EXPECT_EQ(dlg.DoModal(), CRBClickRecoverFileDlg::kNotSaved);
        }
        s.device->FailSectors(0, s.device->GetSectorCount());
        {
            CRBClickRecoverFileDlg dlg(s.device.get(), file, QString::fromStdString((s.tmp / "lost.bin").string()),
                                       nullptr);
            EXPECT_EQ(dlg.DoModal(), CRBClickRecoverFileDlg::kNotSaved);
        }
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0], failed + "\n" + lib.LoadText(QStringLiteral("save.reason")).arg(std::strerror(EFBIG)));
        EXPECT_EQ(
            texts[1],
            failed + "\n" +
                lib.LoadText(QStringLiteral("save.reason")).arg(lib.LoadText(QStringLiteral("save.nothing-read"))));
        if (language != QLatin1String("English")) {
            EXPECT_EQ(texts[1].indexOf(QLatin1String(CFileSaver::kNothingReadReason)), -1) << "translated";
        }
        EXPECT_FALSE(fs::exists(s.tmp / "big.bin"));
        EXPECT_FALSE(fs::exists(s.tmp / "lost.bin"));

        // The message as the user sees it.
        answer.reset();
        bool shown = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            poll.stop();
            shown = box->grab().save(ScreenshotFolder() + "/saving_single_failed_" + language + ".png");
            box->accept();
        });
        poll.start(20);
        CRBClickRecoverFileDlg dlg(s.device.get(), file, QString::fromStdString((s.tmp / "lost.bin").string()),
                                   nullptr);
        EXPECT_EQ(dlg.DoModal(), CRBClickRecoverFileDlg::kNotSaved);
        EXPECT_TRUE(shown);
        s.device->ClearFailures();
    }
    lib.UnloadLanguageBundle();
}

TEST(SavingDialogs, ScreenshotsInEachLanguage)
{
    InstallFontSubstitutes();
    auto& lib = CResourceLibrary::Instance();
    const QString folder = ScreenshotFolder();
    FatSelection s;
    ASSERT_TRUE(s.tree);
    CFileNode* file = s.tree->GetFirstChild();
    while (file && ((file->GetProperties()->GetAttributes() & 0x10) || file->GetProperties()->GetState() != 0))
        file = file->GetNextSibling();
    ASSERT_TRUE(file);
    CScopedMessageBoxResponder none([](const MessageBoxRequest&) {
        ADD_FAILURE() << "no message expected";
        return IDOK;
    });
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        {
            CRecoveringDlg dlg(&s.root, s.device.get(),
                               QString::fromStdString((s.tmp / language.toStdString()).string()), nullptr);
            dlg.DoModal();
            EXPECT_TRUE(dlg.grab().save(folder + "/saving_progress_" + language + ".png"));
        }
        {
            CRecoveringDlg dlg(&s.root, s.device.get(),
                               QString::fromStdString((s.tmp / language.toStdString()).string()), nullptr);
            const QSize full = dlg.size();
            dlg.ShowDetails(false);
            EXPECT_LT(dlg.height(), full.height());
            EXPECT_FALSE(dlg.Value(CRecoveringDlg::kDoneFilesId)->isVisibleTo(&dlg));
            dlg.DoModal();
            EXPECT_TRUE(dlg.grab().save(folder + "/saving_progress_small_" + language + ".png"));
        }
        {
            CRBClickRecoverFileDlg dlg(s.device.get(), file, QString::fromStdString((s.tmp / "one.bin").string()),
                                       nullptr);
            dlg.DoModal();
            EXPECT_TRUE(dlg.grab().save(folder + "/saving_single_" + language + ".png"));
        }
        {
            CFileSaveDlg summary(nullptr);
            summary.SetSavedFolders({QStringLiteral("/home/user/Recovered/NO NAME")});
            summary.ShowResult(10, 7, 2, 3, true, QStringLiteral("No space left on device"));
            EXPECT_TRUE(
                summary.Line(CFileSaveDlg::kTotalId)->text().contains(QStringLiteral("No space left on device")));
            summary.SetSavePath(QStringLiteral("/home/user/Recovered files of today"));
            summary.ShowModeless();
            QApplication::processEvents();
            EXPECT_TRUE(summary.grab().save(folder + "/saving_summary_" + language + ".png"));
        }
        {
            CSaveFilePathDlg host(nullptr);
            auto* page = new QLabel(QStringLiteral("save-path page"));
            page->setAlignment(Qt::AlignCenter);
            host.AttachChild(page);
            host.ShowModeless();
            QApplication::processEvents();
            EXPECT_TRUE(host.grab().save(folder + "/saving_path_host_" + language + ".png"));
            host.EndDialog(IDCANCEL);
            delete page;
        }
    }
    lib.UnloadLanguageBundle();
}

TEST(RecoveringDlg, TimesReadCalculatingForFiveSecondsThenAClock)
{
    FatSelection s;
    ASSERT_TRUE(s.tree);
    CManualTickClock clock(4000000000u); // the tick count wraps during the save
    SetTickClock(&clock);
    CRecoveringDlg dlg(&s.root, s.device.get(), QString::fromStdString((s.tmp / "out").string()), nullptr);
    dlg.DoModal();
    clock.Advance(4999);
    dlg.RefreshTexts();
    EXPECT_EQ(dlg.Value(CRecoveringDlg::kRemainingId)->text(), CResourceLibrary::Instance().LoadString(132));
    clock.Advance(3600 * 1000 + 1);
    dlg.RefreshTexts();
    EXPECT_EQ(dlg.Value(CRecoveringDlg::kElapsedId)->text(), "01:00:05");
    EXPECT_EQ(dlg.Value(CRecoveringDlg::kRemainingId)->text(), "00:00:01") << "all done: nothing but the last second";
    EXPECT_EQ(dlg.ProgressBar()->value(), dlg.ProgressBar()->maximum());
    SetTickClock(nullptr);
}
