// The windowless save of a tree's checked files, the shared progress figures and their texts, and the
// single-file job that replaces a file only once the new one is complete.
#include "storage/saving/CSaveProgress.h"
#include "storage/saving/RecoverFileJob.h"
#include "storage/saving/CFileSaver.h"
#include "storage/saving/SaveCheckedFiles.h"
#include "storage/saving/SaveProgressText.h"

#include "storage/saving/tests/SavingTestUtil.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

using savetest::Bytes;
using savetest::ReadFile;
using savetest::Volume;
namespace fs = std::filesystem;

namespace {

void Rename(CFileNode* node, const char* name)
{
    auto* p = static_cast<savetest::FakeProperties*>(node->GetProperties());
    MyFilePropertiesRecord r = p->GetRecord();
    std::snprintf(r.name, sizeof r.name, "%s", name);
    p->SetRecord(r);
}

Bytes SectorBytes(testsupport::MemoryDevice& device, uint64_t sector, size_t size)
{
    return Bytes(device.Sector(sector), device.Sector(sector) + size);
}

void WriteText(const fs::path& path, const std::string& text)
{
    std::ofstream(path) << text;
}

// Two volumes under one selection root, a plain file between them that is passed over.
struct Selection {
    Selection()
    {
        first.device.FillWithPattern();
        Rename(&first.root, "C:");
        first.File("one.bin", 1000).Runs({{1, 1}});
        CFileNode* docs = first.Folder("Docs");
        first.File("two.bin", 5000).Runs({{2, 2}});
        first.File("nested.txt", 30, 0, docs).Runs({{5, 1}});
        Rename(&second.root, "D:");
        second.File("three.bin", 4096).Runs({{3, 1}});
        stray.SetProperties(&strayProperties);
        // Child order is newest first: D:, then the stray file, then C:.
        root.AddChild(&first.root);
        root.AddChild(&stray);
        root.AddChild(&second.root);
    }
    ~Selection()
    {
        root.RemoveChild(&first.root);
        root.RemoveChild(&stray);
        root.RemoveChild(&second.root);
    }

    CFileSystemNode root;
    Volume first, second{4096};
    CFileNode stray;
    savetest::FakeProperties strayProperties{"stray.txt", 10};
};

} // namespace

TEST(SaveCheckedFiles, EveryCheckedVolumeIsSavedPastAPlainFileAndTheFiguresAddUp)
{
    Selection s;
    CSaveProgress second;
    testsupport::TempDir dir2;
    // One device stands for both volumes.
    const SaveCheckedOutcome a = SaveCheckedFiles(&s.root, &s.first.device, (dir2 / "out").string(), &second);
    EXPECT_EQ(a.fileCount, 5) << "the stray file under the root counts as checked";
    EXPECT_EQ(a.totalBytes, 1000u + 5000 + 30 + 4096 + 10);
    EXPECT_EQ(second.GetFileCount(), 5);
    ASSERT_EQ(a.madeFolders.size(), 2u);
    EXPECT_EQ(a.madeFolders[0], (dir2 / "out" / "D#").string());
    EXPECT_EQ(a.madeFolders[1], (dir2 / "out" / "C#").string());
    EXPECT_EQ(a.counts.filesSaved, 4);
    EXPECT_EQ(a.counts.filesFailed, 0);
    EXPECT_EQ(a.result, kRecoverSaved);
    EXPECT_EQ(second.GetDoneFiles(), 4);
    EXPECT_EQ(second.GetDoneBytes(), 1000u + 5000 + 30 + 4096);
    EXPECT_EQ(ReadFile(dir2 / "out/C#/two.bin"), SectorBytes(s.first.device, 16, 5000));
    EXPECT_EQ(ReadFile(dir2 / "out/C#/Docs/nested.txt"), SectorBytes(s.first.device, 40, 30));
    EXPECT_EQ(ReadFile(dir2 / "out/D#/three.bin"), SectorBytes(s.first.device, 24, 4096));
    EXPECT_FALSE(fs::exists(dir2 / "out/stray.txt"));
}

TEST(SaveCheckedFiles, PartialFailedAndCancelledSaves)
{
    {
        SCOPED_TRACE("a file of which no sector could be read is not saved, and the save is partial");
        Selection s;
        s.first.device.FailSector(8);
        testsupport::TempDir dir;
        const SaveCheckedOutcome out = SaveCheckedFiles(&s.root, &s.first.device, (dir / "out").string(), nullptr);
        EXPECT_EQ(out.result, kRecoverPartial);
        EXPECT_EQ(out.counts.filesSaved, 3);
        EXPECT_EQ(out.counts.filesFailed, 1);
        EXPECT_EQ(out.counts.firstReason, CFileSaver::kNothingReadReason);
    }
    {
        SCOPED_TRACE("a target that cannot be made fails every file");
        Selection s;
        testsupport::TempDir dir;
        WriteText(dir / "file", "x");
        const SaveCheckedOutcome out = SaveCheckedFiles(&s.root, &s.first.device, (dir / "file/out").string(), nullptr);
        EXPECT_EQ(out.result, kRecoverFailed);
        EXPECT_EQ(out.counts.filesSaved, 0);
        EXPECT_EQ(out.counts.filesFailed, 4);
        EXPECT_TRUE(out.madeFolders.empty());
    }
    {
        SCOPED_TRACE("a cancel stops before the next volume");
        Selection s;
        testsupport::TempDir dir;
        CSaveProgress progress;
        progress.Cancel();
        const SaveCheckedOutcome out = SaveCheckedFiles(&s.root, &s.first.device, (dir / "out").string(), &progress);
        EXPECT_EQ(out.result, kRecoverCancelled);
        // The folder made for the first volume holds nothing when the cancel comes: it is not left behind.
        EXPECT_TRUE(out.madeFolders.empty());
        EXPECT_TRUE(fs::is_empty(dir / "out"));
        EXPECT_EQ(out.counts.filesSaved, 0);
    }
}

TEST(SaveProgress, FiguresTextsAndEstimates)
{
    CSaveProgress p;
    p.Begin(3, 100);
    p.AddBytesDone(40);
    EXPECT_EQ(p.SubtractBytes(50), 0);
    EXPECT_EQ(p.GetDoneBytes(), 0u) << "never below zero";
    p.SetCurrentFile("a.txt");
    EXPECT_EQ(p.GetCurrentFile(), "a.txt");
    p.Cancel();
    EXPECT_EQ(p.AddFilesDone(1), IFileRecoverCallback::kCancelled);
    EXPECT_EQ(p.CheckCancel(), IFileRecoverCallback::kCancelled);

    EXPECT_EQ(FormatSaveSize(0), "0 Byte");
    EXPECT_EQ(FormatSaveSize(1023), "1023 Byte");
    EXPECT_EQ(FormatSaveSize(1536), "1.50 KB");
    EXPECT_EQ(FormatSaveSize(5ull << 20), "5.00 MB");
    EXPECT_EQ(FormatSaveSize(3ull << 30), "3.00 GB");
    EXPECT_EQ(FormatClock(0), "00:00:00");
    EXPECT_EQ(FormatClock(3723), "01:02:03");
    EXPECT_EQ(FormatClock(100 * 3600), "100:00:00") << "hours are not wrapped";

    EXPECT_FALSE(RemainingMilliseconds(100, 0, 9000));
    EXPECT_DOUBLE_EQ(*RemainingMilliseconds(100, 25, 1000), 3000.0);
    EXPECT_DOUBLE_EQ(*RemainingMilliseconds(100, 150, 1000), 0.0) << "more done than announced";
    // The product overflows 64 bits; the estimate is clamped instead.
    EXPECT_DOUBLE_EQ(*RemainingMilliseconds(UINT64_MAX, 1, UINT32_MAX), double(kMaxRemainingSeconds) * 1000.0);

    const ProgressScale none = MakeProgressScale(0);
    EXPECT_EQ(none.range, 1);
    EXPECT_EQ(none.Position(0), 1);
    const ProgressScale big = MakeProgressScale(3ull << 30);
    EXPECT_EQ(big.range, 3072);
    EXPECT_EQ(big.Position(1ull << 30), 1024);
    EXPECT_EQ(MakeProgressScale(5000).Position(6000), 5000);
}

TEST(RecoverSingleFile, ReplacingWritesATemporaryFileAndKeepsTheOldOneUntilDone)
{
    Volume v;
    v.device.FillWithPattern();
    v.File("a.bin", 3000).Runs({{1, 1}});
    testsupport::TempDir dir;
    const fs::path target = dir / "chosen.bin";

    {
        SCOPED_TRACE("a cancelled save leaves the user's file as it was and nothing else");
        WriteText(target, "the user's own file");
        savetest::RecordingCallback cancel;
        cancel.cancelAfterBytes = 1;
        RecoverFileJob job;
        job.replaceExisting = true;
        EXPECT_EQ(RecoverSingleFile(job, &cancel, &v.device, v.last, target.c_str(), true), 0);
        EXPECT_EQ(job.result.Get(), kRecoverCancelled);
        std::ifstream in(target);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's own file");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
    {
        SCOPED_TRACE("a failed save too");
        Volume broken;
        broken.File("b.bin", 3000); // no runs
        RecoverFileJob job;
        job.replaceExisting = true;
        EXPECT_EQ(RecoverSingleFile(job, nullptr, &broken.device, broken.last, target.c_str(), false), 0);
        EXPECT_EQ(job.result.Get(), kRecoverFailed);
        EXPECT_EQ(fs::file_size(target), 19u);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
    {
        SCOPED_TRACE("a saved file takes the place of the old one");
        RecoverFileJob job;
        job.replaceExisting = true;
        EXPECT_EQ(RecoverSingleFile(job, nullptr, &v.device, v.last, target.c_str(), true), 1);
        EXPECT_EQ(ReadFile(target), SectorBytes(v.device, 8, 3000));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    }
    {
        SCOPED_TRACE("without replacing, the old file stays and the new one is numbered");
        RecoverFileJob job;
        EXPECT_EQ(RecoverSingleFile(job, nullptr, &v.device, v.last, target.c_str(), false), 1);
        EXPECT_TRUE(fs::exists(dir / "chosen_000.bin"));
    }
}
