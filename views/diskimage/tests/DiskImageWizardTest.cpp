// The disk-image wizards driven through their widgets offscreen: a fixture volume imaged in the simple mode
// and opened again reads every sector identically; a compressed, split range image; cancel during the run;
// a full target reported as failed; an existing image left alone unless the user agrees; the region step;
// the open wizard's checks and slice repair; and screenshots of every step in each language.
#include "views/diskimage/CDIskImagePublicDlg.h"
#include "views/diskimage/CImageDiskMasterDlg.h"
#include "views/diskimage/CImageDiskRunDlg.h"
#include "views/diskimage/CImageDiskSetRegionDlg.h"
#include "views/diskimage/CImageDiskSteps.h"
#include "views/diskimage/COpenDiskImageMasterDlg.h"
#include "views/diskimage/CSectorSelectCtrl.h"
#include "views/diskimage/DiskImageFileDialog.h"
#include "views/diskimage/DiskImageFiles.h"

#include "controls/CPublicPorgress.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/MessageBox.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"
#include "storage/diskimage/ImageFileFormat.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <random>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The FAT16 fixture volume as a source device.
std::unique_ptr<testsupport::MemoryDevice> FixtureVolume(const testsupport::TempDir& tmp)
{
    const std::string dir = std::string(SALVIX_SOURCE_DIR) + "/tests/fixtures/";
    const std::string cmd = "xz -dc '" + dir + "fat16.img.xz' > '" + (tmp / "volume.img").string() + "'";
    if (std::system(cmd.c_str()) != 0) return nullptr;
    auto device = std::make_unique<testsupport::MemoryDevice>(ReadAll(tmp / "volume.img"));
    fs::remove(tmp / "volume.img");
    return device;
}

void Click(QAbstractButton* button)
{
    ASSERT_TRUE(button->isEnabled());
    // Near the left end: a check box's face and text start there, whatever width its layout gives it.
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier,
                      QPoint(std::min(8, button->width() / 2), button->height() / 2));
}

// Sectors first .. first + count - 1 of the image equal those of the source from sourceFirst.
void ExpectSameSectors(const std::string& imagePath, IStorageDevice& source, uint64_t sourceFirst, uint64_t count)
{
    CImageFileDeviceWithDecompress image(imagePath);
    ASSERT_TRUE(image.IsValid());
    ASSERT_TRUE(image.CheckSlices());
    ASSERT_GE(image.GetSectorCount(), count);
    std::vector<uint8_t> a(256 * 512), b(256 * 512);
    for (uint64_t s = 0; s < count; s += 256) {
        const uint64_t n = std::min<uint64_t>(256, count - s);
        ASSERT_TRUE(image.ReadSectors(a.data(), s, n)) << s;
        ASSERT_TRUE(source.ReadSectors(b.data(), sourceFirst + s, n)) << s;
        ASSERT_EQ(std::memcmp(a.data(), b.data(), n * 512), 0) << "sector run at " << s;
    }
}

using testsupport::FileSizeLimit;

QString Str(unsigned id)
{
    return CResourceLibrary::Instance().LoadString(id);
}

// Answers every message box with `answer`, records the texts.
struct Answers {
    explicit Answers(int answer = IDOK)
        : responder([this, answer](const MessageBoxRequest& r) {
              texts.push_back(r.text);
              return answer;
          })
    {
    }
    std::vector<QString> texts;
    CScopedMessageBoxResponder responder;
};

// Walks the simple mode up to the summary.
void SimpleModeToSummary(CImageDiskMasterDlg& dlg, const std::string& typedPath)
{
    dlg.ShowModeless();
    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kPath);
    QLineEdit* edit = dlg.PathPane()->PathRow()->Edit();
    QTest::keyClicks(edit, QString::fromStdString(typedPath));
    Click(dlg.NextButton());
}

} // namespace

TEST(DiskImageWizard, SimpleModeImagesTheVolumeAndTheOpenWizardAcceptsIt)
{
    testsupport::TempDir tmp;
    auto volume = FixtureVolume(tmp);
    ASSERT_TRUE(volume);
    Answers answers;
    const std::string typed = (tmp / "fat16").string();
    CImageDiskMasterDlg dlg(volume.get(), "FAT16 volume (E:)", 255, nullptr);
    SimpleModeToSummary(dlg, typed);
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSummary)
        << (answers.texts.empty() ? "" : answers.texts[0].toStdString());
    EXPECT_EQ(dlg.Title(), Str(61212));
    CImageDiskDiskInfo* info = dlg.SummaryPane();
    EXPECT_EQ(info->Value(CImageDiskDiskInfo::kLevelId), Str(422)) << "zlib at its default level";
    EXPECT_EQ(info->Value(CImageDiskDiskInfo::kSizeId), "16.00 MB");
    EXPECT_EQ(info->Value(CImageDiskDiskInfo::kRegionId), "0---32767" + Str(421));
    EXPECT_EQ(dlg.Summary().imagePath, typed + ".kxi");

    // Back from the summary returns to the path step in the simple mode, and forward again.
    Click(dlg.BackButton());
    EXPECT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kPath);
    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSummary);

    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSuccess) << dlg.RunError();
    EXPECT_TRUE(answers.texts.empty());
    EXPECT_EQ(dlg.RunPane()->ProgressBar()->value(), 128);
    EXPECT_TRUE(dlg.SuccessPane()->OpenBox()->isChecked());
    // The close box does nothing on the success step.
    dlg.close();
    EXPECT_TRUE(dlg.isVisible());
    Click(dlg.NextButton());
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.GetOpenImageInList(), 1);
    EXPECT_EQ(dlg.GetRegionSectorCount(), 32768u);
    EXPECT_EQ(std::string(dlg.GetImageFilePath()), typed + ".kxi");
    ExpectSameSectors(dlg.GetImageFilePath(), *volume, 0, 32768);
    {
        CImageFileDeviceWithDecompress image(dlg.GetImageFilePath());
        EXPECT_EQ(image.GetCompressionKind(), 2);
        EXPECT_EQ(image.GetSourceName(), "FAT16 volume (E:)");
    }

    COpenDiskImageMasterDlg open(nullptr);
    open.ShowModeless();
    Click(open.NextButton());
    ASSERT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kPath);
    QTest::keyClicks(open.PathPane()->Edit(), QString::fromStdString(typed + ".kxi"));
    Click(open.NextButton());
    EXPECT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kSuccess) << "every slice is there: straight to success";
    EXPECT_FALSE(open.BackButton()->isEnabled());
    Click(open.NextButton());
    EXPECT_EQ(open.GetResult(), 1);
    EXPECT_EQ(open.GetImagePath(), typed + ".kxi");
    EXPECT_TRUE(answers.texts.empty());
}

TEST(DiskImageWizard, AdvancedModeImagesARangeCompressedAndSplit)
{
    testsupport::TempDir tmp;
    auto volume = FixtureVolume(tmp);
    ASSERT_TRUE(volume);
    Answers answers;
    CImageDiskMasterDlg dlg(volume.get(), "vol", 255, nullptr);
    dlg.ShowModeless();
    Click(dlg.ModePane()->AdvancedBox());
    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kAdvancedPath);
    CImageDiskADPathChooseDlg* ad = dlg.AdvancedPathPane();
    EXPECT_FALSE(ad->LevelBox()->isEnabled());
    Click(ad->CompressBox());
    Click(ad->SplitBox());
    EXPECT_TRUE(ad->LevelBox()->isEnabled());
    ad->LevelBox()->setCurrentIndex(2);
    ad->SliceBox()->setCurrentIndex(3);
    const std::string path = (tmp / "range.kxi").string();
    QTest::keyClicks(ad->PathRow()->Edit(), QString::fromStdString(path));
    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kRegion);
    EXPECT_EQ(dlg.Title(), Str(61211));

    CImageDiskSetRegionDlg* region = dlg.RegionPane();
    EXPECT_EQ(region->LastEdit()->text(), "32767");
    region->FirstEdit()->setFocus();
    region->FirstEdit()->selectAll();
    QTest::keyClicks(region->FirstEdit(), "100");
    region->LastEdit()->setFocus(); // editing the first box finishes
    region->LastEdit()->selectAll();
    QTest::keyClicks(region->LastEdit(), "4999");
    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSummary);
    EXPECT_EQ(dlg.SummaryPane()->Value(CImageDiskDiskInfo::kRegionId), "100---4999" + Str(421));
    EXPECT_EQ(dlg.SummaryPane()->Value(CImageDiskDiskInfo::kLevelId), Str(423));
    Click(dlg.BackButton());
    EXPECT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kRegion) << "Back returns to the step the summary came from";
    Click(dlg.NextButton());
    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSuccess) << dlg.RunError();
    EXPECT_EQ(dlg.GetRegionSectorCount(), 4900u);
    ExpectSameSectors(path, *volume, 100, 4900);
    CImageFileDeviceWithDecompress image(path);
    EXPECT_EQ(image.GetCompressionKind(), 2);
    EXPECT_TRUE(answers.texts.empty());
}

TEST(DiskImageWizard, CancelDuringTheRunStopsTheWriterAndClosesTheWizard)
{
    testsupport::TempDir tmp;
    auto volume = FixtureVolume(tmp);
    ASSERT_TRUE(volume);
    CImageDiskMasterDlg dlg(volume.get(), "vol", 255, nullptr);
    int asked = 0;
    CScopedMessageBoxResponder answer([&](const MessageBoxRequest& r) {
        asked += r.text == Str(61215);
        return IDOK;
    });
    SimpleModeToSummary(dlg, (tmp / "cancelled.kxi").string());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSummary);
    bool closeIgnored = false;
    volume->SetReadHook([&](uint64_t first, uint64_t) {
        if (first != 10 * 256) return;
        // In the middle of the run: the close box does nothing, Cancel asks and stops the writer.
        QTimer::singleShot(0, &dlg, [&] {
            dlg.close();
            closeIgnored = dlg.isVisible();
            QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        });
    });
    Click(dlg.NextButton());
    volume->SetReadHook({});
    EXPECT_TRUE(closeIgnored);
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.GetOpenImageInList(), 0);
    // The image holds the blocks written before the cancel, and they read back.
    CImageFileDeviceWithDecompress image((tmp / "cancelled.kxi").string());
    ASSERT_TRUE(image.IsValid());
    EXPECT_GT(image.GetSectorCount(), 0u);
    EXPECT_LT(image.GetSectorCount(), 32768u);
    ExpectSameSectors((tmp / "cancelled.kxi").string(), *volume, 0, image.GetSectorCount());
}

TEST(DiskImageWizard, AFullTargetIsReportedAsAFailure)
{
    testsupport::TempDir tmp;
    auto volume = FixtureVolume(tmp);
    ASSERT_TRUE(volume);
    // Random bytes do not compress: the slice outgrows the limit and the write fails as on a full disk.
    std::mt19937 random(7);
    for (uint8_t& b : volume->Bytes()) b = uint8_t(random());
    Answers answers;
    CImageDiskMasterDlg dlg(volume.get(), "vol", 255, nullptr);
    SimpleModeToSummary(dlg, (tmp / "full.kxi").string());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSummary);
    {
        FileSizeLimit limit(1 << 20);
        Click(dlg.NextButton());
    }
    EXPECT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kRun) << "no success step for a failed image";
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_TRUE(answers.texts[0].startsWith(Str(61216)));
    EXPECT_GT(answers.texts[0].size(), Str(61216).size()) << "the writer's reason follows";
    EXPECT_FALSE(dlg.NextButton()->isEnabled());
    EXPECT_FALSE(dlg.BackButton()->isEnabled());
    EXPECT_TRUE(dlg.CancelButton()->isEnabled());
    EXPECT_FALSE(dlg.RunError().empty());
}

TEST(DiskImageWizard, AnExistingImageIsLeftAloneUnlessTheUserAgrees)
{
    testsupport::TempDir tmp;
    testsupport::MemoryDevice small(600);
    small.FillWithPattern();
    const fs::path existing = tmp / "mine.kxi";
    std::ofstream(existing) << "precious";
    {
        Answers no(IDNO);
        CImageDiskMasterDlg dlg(&small, "small", 255, nullptr);
        SimpleModeToSummary(dlg, existing.string());
        EXPECT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kPath);
        ASSERT_EQ(no.texts.size(), 1u);
        EXPECT_TRUE(no.texts[0].contains(QString::fromStdString(existing.string())));
        // A path in a folder that does not exist fails the path test.
        QLineEdit* edit = dlg.PathPane()->PathRow()->Edit();
        edit->setText(QString::fromStdString((tmp / "missing" / "x.kxi").string()));
        Click(dlg.NextButton());
        EXPECT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kPath);
        EXPECT_EQ(no.texts.back(), Str(61214));
        // Cancelled: OK closes (the "No" responder answers Cancel, so the wizard stays).
        Click(dlg.CancelButton());
        EXPECT_TRUE(dlg.isVisible());
    }
    std::ifstream in(existing);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);

    Answers yes(IDYES);
    CImageDiskMasterDlg dlg(&small, "small", 255, nullptr);
    SimpleModeToSummary(dlg, existing.string());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSummary);
    Click(dlg.NextButton());
    ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSuccess);
    ExpectSameSectors(existing.string(), small, 0, 600);
}

TEST(ImageRun, TooLittleSpaceAbandonsOrMovesTheNextSlices)
{
    testsupport::TempDir tmp;
    fs::create_directories(tmp / "other");
    testsupport::MemoryDevice source(4 * 256);
    source.FillWithPattern();
    int64_t freeHere = 100, freeOther = 100;
    diskimg::SetFreeSpaceProbe(
        [&](const std::string& folder) { return folder.find("/other/") != std::string::npos ? freeOther : freeHere; });
    {
        Answers answers;
        CImageDiskRunDlg run(nullptr);
        run.CheckStartSpace(20);
        EXPECT_TRUE(answers.texts.empty());
        run.CheckStartSpace(19);
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0], Str(61205));
        EXPECT_TRUE(run.IsAbandoned());
        EXPECT_TRUE(run.IsCancelled());
    }
    {
        // Space runs short in the middle: "Yes" and a folder with room; the following slices go there.
        Answers yes(IDYES);
        const std::string moved = (tmp / "other" / "moved.kxi").string();
        diskimg::CScopedFileDialogResponder chooser([&](const diskimg::FileDialogRequest& r) {
            EXPECT_TRUE(r.save);
            return QString::fromStdString(moved);
        });
        CImageDiskRunDlg run(nullptr);
        const std::string path = (tmp / "first.kxi").string();
        EXPECT_EQ(run.GetFreeSpaceMB(path), 100);
        run.SetFreeSpaceWatch(1);
        run.OnTimer(CImageDiskRunDlg::kSpaceTimer);
        EXPECT_TRUE(yes.texts.empty()) << "20 MB or more: no question";
        source.SetReadHook([&](uint64_t first, uint64_t) {
            if (first != 2 * 256) return;
            // The free-space check comes from the timer, between two blocks.
            QTimer::singleShot(0, &run, [&] {
                freeHere = 19;
                run.OnTimer(CImageDiskRunDlg::kSpaceTimer);
            });
        });
        CCompressController* writer = run.GetCompressController();
        writer->SetSource(&source, "src", 0, source.GetSectorCount(), 255);
        writer->SetCompression(2, -1, 0);
        writer->SetImagePath(path.c_str());
        EXPECT_EQ(writer->Compress(&run), 1) << writer->GetErrorText();
        source.SetReadHook({});
        ASSERT_EQ(yes.texts.size(), 1u);
        EXPECT_EQ(yes.texts[0], Str(61204));
        EXPECT_FALSE(run.IsAbandoned());
        EXPECT_EQ(run.GetFreeSpaceWatch(), 1);
        const diskimg::SliceList list = diskimg::ReadSliceList(diskimage::MakeSliceListPath(path));
        ASSERT_EQ(list.paths.size(), 2u);
        EXPECT_EQ(list.paths[1], (tmp / "other" / "moved.part1.kxf").string());
        ExpectSameSectors(path, source, 0, 4 * 256);
    }
    {
        // "No" gives the image up; so does cancelling the location dialog.
        Answers no(IDNO);
        CImageDiskRunDlg run(nullptr);
        freeHere = 10;
        run.GetFreeSpaceMB((tmp / "x.kxi").string());
        run.SetFreeSpaceWatch(1);
        run.OnTimer(CImageDiskRunDlg::kSpaceTimer);
        EXPECT_TRUE(run.IsAbandoned());
        EXPECT_EQ(run.GetFreeSpaceWatch(), 0);

        Answers yes(IDYES);
        diskimg::CScopedFileDialogResponder cancelled([](const diskimg::FileDialogRequest&) { return QString(); });
        CImageDiskRunDlg other(nullptr);
        other.GetFreeSpaceMB((tmp / "x.kxi").string());
        other.SetFreeSpaceWatch(1);
        other.OnTimer(CImageDiskRunDlg::kSpaceTimer);
        EXPECT_TRUE(other.IsAbandoned());
    }
    diskimg::SetFreeSpaceProbe({});
}

TEST(ImageRun, RemainingTimeReadsCalculatingFirstThenTheRateSoFar)
{
    CImageDiskRunDlg run(nullptr);
    run.Begin(0, 100);
    for (int i = 0; i < 25; ++i) run.StepBlock(uint64_t(i));
    run.SetRunClock(4600);
    run.OnTimer(CImageDiskRunDlg::kClockTimer); // 4900 ms
    EXPECT_EQ(run.Value(CImageDiskRunDlg::kRemainingId)->text(), Str(61206));
    run.SetRunClock(9700);
    run.OnTimer(CImageDiskRunDlg::kClockTimer); // 10000 ms
    EXPECT_EQ(run.Value(CImageDiskRunDlg::kRemainingId)->text(), "00:00:31");
    EXPECT_EQ(run.ProgressBar()->value(), 25);
    run.SetPaused(1);
    run.OnTimer(CImageDiskRunDlg::kClockTimer);
    EXPECT_EQ(run.Value(CImageDiskRunDlg::kRemainingId)->text(), "00:00:31") << "no forecast while paused";
    run.ShowCurrentFile(std::string(41, 'p'));
    EXPECT_EQ(run.Value(CImageDiskRunDlg::kFileId)->text(), QString(40, 'p') + ".........");
}

TEST(RegionStep, BoxesSpinsAndTheBarStayInStep)
{
    QWidget host;
    host.resize(600, 170);
    CImageDiskSetRegionDlg region(&host);
    region.setGeometry(0, 0, 600, 170);
    host.show();
    region.SetTotal(1000);
    region.ShowModeless();
    QApplication::processEvents();
    EXPECT_EQ(region.FirstEdit()->text(), "0");
    EXPECT_EQ(region.LastEdit()->text(), "999");

    // Typing is not judged key by key: "1500" stands until editing finishes, then it becomes the last sector.
    region.LastEdit()->setFocus();
    region.LastEdit()->selectAll();
    QTest::keyClicks(region.LastEdit(), "1500");
    EXPECT_EQ(region.LastEdit()->text(), "1500");
    QTest::keyClick(region.LastEdit(), Qt::Key_Return);
    EXPECT_EQ(region.LastEdit()->text(), "999");
    EXPECT_EQ(region.GetLastSector(), 999u);

    const struct {
        const char* first;
        const char* last;
        uint64_t wantFirst, wantLast;
    } cases[] = {
        {"10", "20", 10, 20},
        {"-5", "20", 0, 20},
        {"30", "20", 0, 20}, // a first sector above the last becomes 0
        {"10", "5", 0, 5},   // a last sector below the first resets the first
        {"abc", "99999999999999999999999", 0, 999},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " .. " + c.last);
        region.LastEdit()->setText(QString::number(999));
        region.LastEdit()->setModified(true);
        region.FirstEdit()->setText(QStringLiteral("0"));
        region.FirstEdit()->setModified(true);
        region.GetFirstSector();
        region.FirstEdit()->setText(QString::fromLatin1(c.first));
        region.FirstEdit()->setModified(true);
        region.GetFirstSector();
        region.LastEdit()->setText(QString::fromLatin1(c.last));
        region.LastEdit()->setModified(true);
        EXPECT_EQ(region.GetFirstSector(), c.wantFirst);
        EXPECT_EQ(region.GetLastSector(), c.wantLast);
        uint64_t f = 0, l = 0;
        region.Selector()->GetSelection(f, l);
        EXPECT_LE(f, l);
    }

    // Spins never cross: the first stops at the last, the last at the first.
    region.FirstEdit()->setText("5");
    region.FirstEdit()->setModified(true);
    region.LastEdit()->setText("6");
    region.LastEdit()->setModified(true);
    region.GetFirstSector();
    region.SpinFirst(1);
    region.SpinFirst(1);
    EXPECT_EQ(region.GetFirstSector(), 6u);
    region.SpinLast(-1);
    EXPECT_EQ(region.GetLastSector(), 6u);
    region.SpinFirst(-1);
    region.SpinFirst(-1);
    EXPECT_EQ(region.FirstEdit()->text(), "4");
}

TEST(RegionStep, DraggingTheGripsAndTheStretch)
{
    QWidget host;
    host.resize(600, 170);
    CImageDiskSetRegionDlg region(&host);
    region.setGeometry(0, 0, 600, 170);
    host.show();
    region.SetTotal(1000);
    region.ShowModeless();
    QApplication::processEvents();
    CSectorSelectCtrl* bar = region.Selector();
    const SectorBarGeometry& g = bar->Geometry();
    auto drag = [&](QPoint from, QPoint to) {
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(bar->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, to);
    };
    // The left grip past the right grip stops at it.
    drag(bar->LeftGrip().center(), QPoint(g.Right() + 40, bar->LeftGrip().center().y()));
    uint64_t first = std::stoull(region.FirstEdit()->text().toStdString());
    EXPECT_EQ(region.LastEdit()->text(), "999");
    EXPECT_GE(first, 990u);

    // The right grip to the middle, then the stretch dragged to the right end keeps its width.
    region.FirstEdit()->setText("0");
    region.FirstEdit()->setModified(true);
    region.GetFirstSector();
    drag(bar->RightGrip().center(), QPoint(g.Left() + g.bar.width() / 4, bar->RightGrip().center().y()));
    const uint64_t last = region.GetLastSector();
    EXPECT_LT(last, 300u);
    EXPECT_EQ(region.GetFirstSector(), 0u);
    drag(bar->SelectionRect().center(), QPoint(g.Right() + 200, bar->SelectionRect().center().y()));
    EXPECT_EQ(region.GetLastSector(), 999u) << "the right end is the last sector";
    EXPECT_EQ(region.GetLastSector() - region.GetFirstSector(), last) << "the width is kept";

    // Resizing keeps the selected sectors.
    const uint64_t f = region.GetFirstSector(), l = region.GetLastSector();
    bar->resize(bar->width() / 2, bar->height());
    uint64_t f2 = 0, l2 = 0;
    EXPECT_EQ(region.GetFirstSector(), f);
    EXPECT_EQ(region.GetLastSector(), l);
    EXPECT_EQ(bar->RightGrip().left(), bar->Geometry().Right());
    (void)f2;
    (void)l2;
}

namespace {

// A stored (uncompressed) image of `source` split into slices of two or three blocks.
std::string MakeSplitImage(const testsupport::TempDir& tmp, IStorageDevice& source, const std::string& name)
{
    CCompressController writer;
    writer.SetSource(&source, "src", 0, source.GetSectorCount(), 255);
    writer.SetCompression(0, -1, 1000);
    const std::string path = (tmp / name).string();
    writer.SetImagePath(path.c_str());
    return writer.Compress(nullptr) == 1 ? path : std::string();
}

void OpenToCheck(COpenDiskImageMasterDlg& open, const std::string& path)
{
    open.ShowModeless();
    QTest::mouseClick(open.NextButton(), Qt::LeftButton);
    open.PathPane()->Edit()->setText(QString::fromStdString(path));
    QTest::mouseClick(open.NextButton(), Qt::LeftButton);
}

} // namespace

TEST(OpenDiskImageWizard, RefusesWhatIsNotAnImageOfOurs)
{
    testsupport::TempDir tmp;
    testsupport::MemoryDevice source(6 * 256);
    source.FillWithPattern();
    const std::string path = MakeSplitImage(tmp, source, "img.kxi");
    ASSERT_FALSE(path.empty());
    const std::string list = diskimage::MakeSliceListPath(path);
    const std::string listText = [&] {
        std::ifstream in(list, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }();
    fs::copy_file(path, tmp / "UPPER.KXI");
    fs::copy_file(list, tmp / "UPPER.kxp");
    fs::copy_file(path, tmp / "nolist.kxi");
    fs::copy_file(path, tmp / "unc.kxi");
    std::ofstream(tmp / "unc.kxp", std::ios::binary) << "\\\\server\\share\\img.part0.kxf\r\n";
    std::ofstream(tmp / "junk.kxi", std::ios::binary) << "not an image at all";
    const struct {
        std::string path;
        unsigned message;
    } cases[] = {
        {(tmp / "UPPER.KXI").string(), 176}, // the extension test is case-sensitive
        {(tmp / "absent.kxi").string(), 176}, {(tmp / "junk.kxi").string(), 176},
        {(tmp / "nolist.kxi").string(), 174}, {(tmp / "unc.kxi").string(), 179},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Answers answers;
        COpenDiskImageMasterDlg open(nullptr);
        OpenToCheck(open, c.path);
        EXPECT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kPath);
        ASSERT_EQ(answers.texts.size(), 1u);
        EXPECT_EQ(answers.texts[0], Str(c.message));
    }
}

// A raw image made by mkfs is no image of ours: the wizard sends the user to the raw-image command instead.
TEST(OpenDiskImageWizard, ARawImageIsSentToTheRawImageCommand)
{
    testsupport::TempDir tmp;
    const std::string raw = (tmp / "stick.img").string();
    ASSERT_EQ(std::system(("mkfs.fat -C '" + raw + "' 1024 >/dev/null 2>&1").c_str()), 0);
    std::ofstream(tmp / "short.img", std::ios::binary) << "less than a sector";
    Answers answers;
    {
        COpenDiskImageMasterDlg open(nullptr);
        OpenToCheck(open, raw);
        EXPECT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kPath);
    }
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("stick.img")));
    EXPECT_TRUE(answers.texts[0].contains(QStringLiteral("Ctrl+O")));
    EXPECT_NE(answers.texts[0], Str(176));
    // A file too short to be a disk is still "not an Image File".
    answers.texts.clear();
    {
        COpenDiskImageMasterDlg open(nullptr);
        OpenToCheck(open, (tmp / "short.img").string());
    }
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_EQ(answers.texts[0], Str(176));
}

TEST(OpenDiskImageWizard, RepairsAMovedSliceAndRewritesTheList)
{
    testsupport::TempDir tmp;
    testsupport::MemoryDevice source(5 * 256); // slices of three and two blocks
    source.FillWithPattern();
    const std::string path = MakeSplitImage(tmp, source, "img.kxi");
    ASSERT_FALSE(path.empty());
    const diskimg::SliceList before = diskimg::ReadSliceList(diskimage::MakeSliceListPath(path));
    ASSERT_EQ(before.paths.size(), 2u);
    fs::create_directories(tmp / "moved");
    const std::string moved = (tmp / "moved" / "slice1.kxf").string();
    fs::rename(before.paths[1], moved);

    Answers answers;
    std::vector<std::string> offered;
    diskimg::CScopedFileDialogResponder chooser([&](const diskimg::FileDialogRequest& r) {
        EXPECT_FALSE(r.save);
        return offered.empty() ? QString() : QString::fromStdString(offered.front());
    });
    COpenDiskImageMasterDlg open(nullptr);
    OpenToCheck(open, path);
    ASSERT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kRepair);
    EXPECT_EQ(open.Title(), Str(172));
    COpenDiskImageErrorManageDlg* repair = open.RepairPane();
    QTreeWidget* table = repair->List();
    ASSERT_EQ(table->topLevelItemCount(), 2);
    EXPECT_EQ(table->topLevelItem(0)->text(1), Str(427));
    EXPECT_EQ(table->topLevelItem(1)->text(1), Str(428));
    EXPECT_EQ(table->topLevelItem(1)->text(2).toStdString(), before.paths[1]) << "the path keeps its last characters";
    open.OnTimer();
    EXPECT_FALSE(open.NextButton()->isEnabled());
    EXPECT_FALSE(repair->LocateButton()->isEnabled());

    // Back to the path step and forward again shows the same rows once.
    Click(open.BackButton());
    EXPECT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kPath);
    Click(open.NextButton());
    ASSERT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kRepair);
    ASSERT_EQ(table->topLevelItemCount(), 2);

    // Adding a slice already listed adds nothing.
    offered = {before.paths[0]};
    Click(repair->AddButton());
    EXPECT_EQ(table->topLevelItemCount(), 2);

    // Locate the moved slice: the row turns valid and Next comes on with the timer.
    const QRect row1 = table->visualItemRect(table->topLevelItem(1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, row1.center());
    ASSERT_TRUE(repair->LocateButton()->isEnabled());
    offered = {moved};
    Click(repair->LocateButton());
    EXPECT_EQ(table->topLevelItem(1)->text(1), Str(427));
    open.OnTimer();
    EXPECT_TRUE(open.NextButton()->isEnabled());

    // A table without the image's slice count is not accepted: remove the first row and try.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualItemRect(table->topLevelItem(0)).center());
    Click(repair->RemoveButton());
    EXPECT_EQ(table->topLevelItemCount(), 1);
    open.OnTimer();
    EXPECT_FALSE(open.NextButton()->isEnabled());
    open.OnNext();
    EXPECT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kRepair);
    ASSERT_EQ(answers.texts.size(), 1u);
    EXPECT_TRUE(answers.texts[0].startsWith(CResourceLibrary::Instance().LoadText("diskimage.mismatch")));
    offered = {before.paths[0]};
    Click(repair->AddButton());
    open.OnTimer();
    ASSERT_TRUE(open.NextButton()->isEnabled());
    // Back in the wrong order: the second slice is too short to be the first, so Next refuses it.
    Click(open.NextButton());
    EXPECT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kRepair);
    EXPECT_EQ(answers.texts.size(), 2u);

    // Put right: Back, forward, locate again in order.
    Click(open.BackButton());
    Click(open.NextButton());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table->visualItemRect(table->topLevelItem(1)).center());
    offered = {moved};
    Click(repair->LocateButton());
    open.OnTimer();
    Click(open.NextButton());
    ASSERT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kSuccess);
    Click(open.NextButton());
    EXPECT_EQ(open.GetResult(), 1);
    const diskimg::SliceList after = diskimg::ReadSliceList(diskimage::MakeSliceListPath(path));
    EXPECT_EQ(after.paths, (std::vector<std::string>{before.paths[0], moved}));
    std::ifstream in(diskimage::MakeSliceListPath(path), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, before.paths[0] + "\r\n" + moved + "\r\n");
    ExpectSameSectors(path, source, 0, source.GetSectorCount());
    EXPECT_FALSE(fs::exists(diskimage::MakeSliceListPath(path) + ".new"));
}

TEST(DiskImageWizards, ScreenshotsInEachLanguage)
{
    InstallFontSubstitutes();
    auto& lib = CResourceLibrary::Instance();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    testsupport::TempDir tmp;
    testsupport::MemoryDevice source(6 * 256);
    source.FillWithPattern();
    const std::string split = MakeSplitImage(tmp, source, "split.kxi");
    const diskimg::SliceList slices = diskimg::ReadSliceList(diskimage::MakeSliceListPath(split));
    ASSERT_EQ(slices.paths.size(), 2u);
    fs::rename(slices.paths[1], tmp / "gone.kxf");
    Answers answers;
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        auto shot = [&](QWidget& w, const char* name) {
            QApplication::processEvents();
            EXPECT_TRUE(w.grab().save(folder + "/diskimage_" + name + "_" + language + ".png"));
        };
        {
            CImageDiskMasterDlg dlg(&source, "Local Disk (E:) 750 MB NTFS partition", 255, nullptr);
            dlg.ShowModeless();
            shot(dlg, "mode");
            Click(dlg.NextButton());
            dlg.PathPane()->PathRow()->Edit()->setText(QString::fromStdString((tmp / language.toStdString()).string()));
            shot(dlg, "path");
            Click(dlg.BackButton());
            Click(dlg.ModePane()->AdvancedBox());
            Click(dlg.NextButton());
            dlg.AdvancedPathPane()->PathRow()->Edit()->setText(
                QString::fromStdString((tmp / (language.toStdString() + "-ad")).string()));
            Click(dlg.AdvancedPathPane()->CompressBox());
            shot(dlg, "advanced");
            Click(dlg.NextButton());
            shot(dlg, "region");
            Click(dlg.NextButton());
            shot(dlg, "summary");
            Click(dlg.NextButton());
            ASSERT_EQ(dlg.CurrentStep(), CImageDiskMasterDlg::kSuccess);
            shot(dlg, "success");
            dlg.RunPane()->Begin(0, 100);
            dlg.RunPane()->ShowCurrentFile((tmp / (language.toStdString() + "-ad.kxi")).string());
            dlg.RunPane()->CheckStartSpace(12345);
            dlg.RunPane()->ShowModeless();
            dlg.RunPane()->raise();
            shot(dlg, "run");
        }
        {
            COpenDiskImageMasterDlg open(nullptr);
            open.ShowModeless();
            shot(open, "open_info");
            Click(open.NextButton());
            open.PathPane()->Edit()->setText(QString::fromStdString(split));
            shot(open, "open_path");
            Click(open.NextButton());
            ASSERT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kRepair);
            shot(open, "open_repair");
        }
        {
            COpenDiskImageMasterDlg open(nullptr);
            open.ShowModeless();
            Click(open.NextButton());
            open.PathPane()->Edit()->setText(
                QString::fromStdString((tmp / (language.toStdString() + "-ad.kxi")).string()));
            Click(open.NextButton());
            ASSERT_EQ(open.CurrentStep(), COpenDiskImageMasterDlg::kSuccess);
            shot(open, "open_success");
        }
    }
    lib.UnloadLanguageBundle();
    EXPECT_TRUE(answers.texts.empty());
}
