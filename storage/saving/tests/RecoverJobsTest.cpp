// The folder and single-file jobs: the saved tree and its names, collisions, hostile names, symlinks in the
// target, failures and partial results, cancellation, the worker, the device of ext2 volumes and the
// 512-byte units of signature-found files; folders left empty.
#include "storage/saving/CFileSaver.h"
#include "storage/saving/RecoverFileJob.h"
#include "storage/saving/RecoverFolderJob.h"

#include "filesystems/tree/FileSystemKind.h"
#include "storage/saving/tests/SavingTestUtil.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

using savetest::Bytes;
using savetest::FakeProperties;
using savetest::ReadFile;
using savetest::RecordingCallback;
using savetest::Volume;
namespace fs = std::filesystem;

namespace {

// Every path below root, relative, folders with a trailing '/'.
std::set<std::string> Listing(const fs::path& root)
{
    std::set<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        std::string rel = fs::relative(entry.path(), root).string();
        if (entry.is_directory() && !entry.is_symlink()) rel += "/";
        out.insert(rel);
    }
    return out;
}

void RenameRoot(Volume& v, const char* name)
{
    auto* p = static_cast<FakeProperties*>(v.root.GetProperties());
    MyFilePropertiesRecord r = p->GetRecord();
    std::snprintf(r.name, sizeof r.name, "%s", name);
    p->SetRecord(r);
}

void Uncheck(CFileNode* node)
{
    auto* p = static_cast<FakeProperties*>(node->GetProperties());
    p->SetCheckState(0);
}

} // namespace

TEST(RecoverFolder, SavesTheCheckedTreeWithCleanNumberedNames)
{
    Volume v;
    v.device.FillWithPattern();
    RenameRoot(v, "E:\\");
    v.File("a.txt", 100).Runs({{1, 1}});
    v.File("a.txt", 200).Runs({{2, 1}});
    v.File("README", 10).Runs({{3, 1}});
    v.File("README", 10).Runs({{3, 1}});
    v.File("../evil.txt", 10).Runs({{3, 1}});
    v.File("..", 10).Runs({{3, 1}});
    v.File("", 10).Runs({{3, 1}});
    CFileNode* docs = v.Folder("Docs.old");
    v.File("b:c.txt", 300, 0, docs).Runs({{4, 1}});
    v.File("skipped.txt", 300, 0, docs).Runs({{4, 1}});
    Uncheck(v.last);
    CFileNode* unchecked = v.Folder("Unchecked");
    Uncheck(unchecked);
    v.File("d.txt", 10, 0, unchecked).Runs({{3, 1}});
    Uncheck(v.last);
    CFileNode* nasty = v.Folder("../..");
    v.File("deep.txt", 10, 0, nasty).Runs({{3, 1}});

    testsupport::TempDir dir;
    const fs::path target = dir / "out";
    RecoverFolderJob job;
    RecordingCallback callback;
    std::string made;
    ASSERT_EQ(RecoverFolder(job, &callback, &v.device, &v.root, target.c_str(), &made), 1);
    EXPECT_EQ(job.result.Get(), kRecoverSaved);
    EXPECT_EQ(made, (target / "E##").string());
    EXPECT_EQ(job.GetCounts().filesSaved, 9);
    EXPECT_EQ(job.GetCounts().filesFailed, 0);
    EXPECT_EQ(callback.files, 9);

    // Children are saved in child-list order (the newest first), so the later "a.txt" is the plain one.
    const std::set<std::string> expected{
        "E##/",  "E##/a.txt", "E##/a_000.txt", "E##/README",           "E##/README_000", "E##/..#evil.txt",
        "E##/#", "E##/#_000", "E##/Docs.old/", "E##/Docs.old/b#c.txt", "E##/..#../",     "E##/..#../deep.txt",
    };
    EXPECT_EQ(Listing(target), expected);
    EXPECT_EQ(ReadFile(target / "E##/a.txt").size(), 200u);
    EXPECT_EQ(ReadFile(target / "E##/a_000.txt").size(), 100u);
    EXPECT_EQ(Listing(dir.path()).size(), expected.size() + 1) << "something was written outside the target";

    // Later runs, with or without a trailing slash, make numbered top folders and leave the first alone.
    RecoverFolderJob second, third;
    ASSERT_EQ(RecoverFolder(second, nullptr, &v.device, &v.root, (target.string() + "/").c_str(), &made), 1);
    EXPECT_EQ(made, (target / "E##_000").string());
    ASSERT_EQ(RecoverFolder(third, nullptr, &v.device, &v.root, (target.string() + "//").c_str(), &made), 1);
    EXPECT_EQ(made, (target / "E##_001").string());
    EXPECT_EQ(ReadFile(target / "E##/a.txt").size(), 200u);
    EXPECT_EQ(Listing(target / "E##_001").size(), expected.size() - 1);
}

TEST(RecoverFolder, RawFilesOfAPartitionOnLargeSectorsReadTheirOwnUnits)
{
    // An NTFS volume of 4096-byte sectors whose runs count device clusters, with a "Raw Files" folder whose runs
    // count 512-byte units: each file is read in its own units, in one save of the partition.
    Volume v(64, 4096, 0, 1, kFsKindNtfs);
    v.device.FillWithPattern();
    RenameRoot(v, "NTFS 1");
    v.File("own.bin", 4096).Runs({{2, 1}});
    auto* raw = new CFileSystemNode();
    v.nodes.emplace_back(raw);
    raw->SetClusterGeometry(0, 1);
    raw->SetFileSystemKind(kFsKindRaw);
    auto* folder = new FakeProperties("Raw Files", 0, 0x10);
    v.owned.emplace_back(folder);
    raw->SetProperties(folder);
    v.root.AddChild(raw);
    v.File("FILE001.JPG", 1000, 0, raw).Runs({{5 * 8 + 1, 2}}); // from byte 20992

    testsupport::TempDir dir;
    RecoverFolderJob job;
    std::string made;
    ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, (dir / "out").c_str(), &made), 1);
    EXPECT_EQ(job.result.Get(), kRecoverSaved);
    const Bytes& disk = v.device.Bytes();
    EXPECT_EQ(ReadFile(fs::path(made) / "own.bin"), Bytes(disk.begin() + 8192, disk.begin() + 12288));
    EXPECT_EQ(ReadFile(fs::path(made) / "Raw Files/FILE001.JPG"), Bytes(disk.begin() + 20992, disk.begin() + 21992));
}

TEST(RecoverFolder, UncheckedNodeMakesNothing)
{
    Volume v;
    v.File("a.txt", 0);
    Uncheck(&v.root);
    testsupport::TempDir dir;
    RecoverFolderJob job;
    EXPECT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, (dir / "out").c_str()), 0);
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(RecoverFolder, SymlinksInTheTargetAreNeverFollowed)
{
    Volume v;
    v.File("a.txt", 0);
    testsupport::TempDir dir;
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "elsewhere");
    fs::create_directory_symlink(dir / "elsewhere", dir / "out" / "Volume");
    RecoverFolderJob job;
    std::string made;
    ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, (dir / "out").c_str(), &made), 1);
    EXPECT_EQ(made, (dir / "out" / "Volume_000").string());
    EXPECT_TRUE(fs::exists(dir / "out" / "Volume_000" / "a.txt"));
    EXPECT_TRUE(fs::is_empty(dir / "elsewhere"));
}

TEST(RecoverFolder, FailuresAreCountedAndTheResultSaysSo)
{
    testsupport::TempDir dir;
    {
        Volume v;
        v.File("good.txt", 0);
        v.File("lost.txt", 500); // a size without runs
        RecoverFolderJob job;
        ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, (dir / "a").c_str()), 1);
        EXPECT_EQ(job.result.Get(), kRecoverPartial);
        EXPECT_EQ(job.GetCounts().filesSaved, 1);
        EXPECT_EQ(job.GetCounts().filesFailed, 1);
    }
    {
        Volume v;
        v.File("lost.txt", 500);
        v.File("lost2.txt", 500);
        RecoverFolderJob job;
        ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, (dir / "b").c_str()), 1);
        EXPECT_EQ(job.result.Get(), kRecoverFailed);
        EXPECT_EQ(job.GetCounts().filesFailed, 2);
    }
    {
        // Unreadable sectors: saved, but the result is partial; a file of which nothing could be read fails
        // with that reason, and a folder left empty is not kept.
        Volume v;
        v.File("bad.bin", 8192).Runs({{1, 1}, {3, 1}});
        v.File("gone.bin", 4096).Runs({{5, 1}});
        v.device.FailSector(9);
        v.device.FailSector(41);
        RecoverFolderJob job;
        ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, (dir / "c").c_str()), 1);
        EXPECT_EQ(job.result.Get(), kRecoverPartial);
        EXPECT_EQ(job.GetCounts().filesSaved, 1);
        EXPECT_EQ(job.GetCounts().filesPartial, 1);
        EXPECT_EQ(job.GetCounts().unreadableBytes, 4096u);
        EXPECT_EQ(job.GetCounts().filesFailed, 1);
        EXPECT_EQ(job.GetCounts().firstReason, CFileSaver::kNothingReadReason);
    }
    {
        // The top folder cannot be made at all.
        Volume v;
        v.File("a.txt", 0);
        v.File("b.txt", 0);
        RecoverFolderJob job;
        ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, "/proc/salvix-no-such-place"), 1);
        EXPECT_EQ(job.result.Get(), kRecoverFailed);
        EXPECT_EQ(job.GetCounts().filesFailed, 2);
        EXPECT_EQ(job.GetCounts().foldersFailed, 1);
    }
}

TEST(RecoverFolder, AllNumberedNamesTakenFailsThatFileOnly)
{
    Volume v;
    v.File("after.txt", 0);
    for (int i = 0; i < 1002; ++i) v.File("x.txt", 0);
    v.File("before.txt", 0);
    testsupport::TempDir dir;
    RecoverFolderJob job;
    ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, dir.path().c_str()), 1);
    EXPECT_EQ(job.GetCounts().filesSaved, 1 + 1001 + 1);
    EXPECT_EQ(job.GetCounts().filesFailed, 1);
    EXPECT_EQ(job.result.Get(), kRecoverPartial);
    EXPECT_TRUE(fs::exists(dir / "Volume" / "x_999.txt"));
    EXPECT_TRUE(fs::exists(dir / "Volume" / "after.txt"));
}

TEST(RecoverFolder, ASubtreeWhoseFolderCannotBeMadeIsSkipped)
{
    Volume v;
    v.File("top.txt", 0);
    CFileNode* folder = &v.root;
    for (int depth = 0; depth < RecoverFolderJob::kMaxFolderDepth + 5; ++depth) folder = v.Folder("d", folder);
    v.File("bottom1.txt", 0, 0, folder);
    v.File("bottom2.txt", 0, 0, folder);
    testsupport::TempDir dir;
    RecoverFolderJob job;
    ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, dir.path().c_str()), 1);
    EXPECT_EQ(job.GetCounts().filesSaved, 1);
    EXPECT_EQ(job.GetCounts().filesFailed, 2);
    EXPECT_EQ(job.GetCounts().foldersFailed, 1);
    EXPECT_EQ(job.result.Get(), kRecoverPartial);
    EXPECT_TRUE(fs::exists(dir / "Volume" / "top.txt"));
}

TEST(RecoverFolder, CancelEndsTheWalk)
{
    Volume v;
    for (int i = 0; i < 5; ++i) v.File("f" + std::to_string(i), 0);
    testsupport::TempDir dir;
    RecordingCallback callback;
    callback.cancelAfterFiles = 2;
    RecoverFolderJob job;
    ASSERT_EQ(RecoverFolder(job, &callback, &v.device, &v.root, dir.path().c_str()), 1);
    EXPECT_EQ(job.result.Get(), kRecoverCancelled);
    EXPECT_EQ(job.GetCounts().filesSaved, 2);
    EXPECT_EQ(Listing(dir / "Volume").size(), 2u); // the third file's empty target is taken back
    EXPECT_EQ(callback.names.size(), 3u);
}

TEST(RecoverFolder, LongNamesAreShortenedKeepingTheExtension)
{
    Volume v;
    std::string name;
    for (int i = 0; i < 200; ++i) name += "\xe6\x97\xa5";
    v.File(name.substr(0, 252) + ".jpeg", 0); // the plain properties keep at most 259 bytes
    v.File(name.substr(0, 252) + ".jpeg", 0);
    testsupport::TempDir dir;
    RecoverFolderJob job;
    ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, dir.path().c_str()), 1);
    EXPECT_EQ(job.GetCounts().filesSaved, 2);
    for (const auto& entry : fs::directory_iterator(dir / "Volume")) {
        const std::string saved = entry.path().filename().string();
        EXPECT_LE(saved.size(), 255u);
        EXPECT_EQ(saved.substr(saved.size() - 5), ".jpeg");
    }
}

TEST(RecoverSingleFile, OnAWorkerWhileTheCallerPumps)
{
    Volume v;
    v.device.FillWithPattern();
    v.File("one.bin", 3000).Runs({{2, 1}});
    v.device.SetReadHook([](uint64_t, uint64_t) { std::this_thread::sleep_for(std::chrono::milliseconds(50)); });
    testsupport::TempDir dir;
    RecoverFileJob job;
    int pumped = 0;
    ASSERT_EQ(RecoverSingleFile(job, nullptr, &v.device, v.last, (dir / "one.bin").c_str(), true, [&] { ++pumped; }),
              1);
    EXPECT_EQ(job.result.Get(), kRecoverSaved);
    EXPECT_GT(pumped, 0);
    const Bytes& all = v.device.Bytes();
    EXPECT_EQ(ReadFile(dir / "one.bin"), Bytes(all.begin() + 2 * 4096, all.begin() + 2 * 4096 + 3000));

    RecoverFileJob failing;
    v.File("lost", 10);
    EXPECT_EQ(RecoverSingleFile(failing, nullptr, &v.device, v.last, (dir / "lost").c_str(), false), 0);
    EXPECT_EQ(failing.result.Get(), kRecoverFailed);
}

TEST(RecoverSingleFile, Ext2VolumesAreReadThroughTheirFiveTwelveByteView)
{
    // A device of 4096-byte sectors holding an ext2 volume of 1024-byte blocks (2 sectors of 512 each).
    Volume v(64, 4096, 0, 2, kFsKindExt2);
    v.device.FillWithPattern();
    v.File("block5", 1024).Runs({{5, 1}});
    testsupport::TempDir dir;
    RecoverFileJob job;
    ASSERT_EQ(RecoverSingleFile(job, nullptr, &v.device, v.last, (dir / "block5").c_str(), false), 1);
    const Bytes& all = v.device.Bytes();
    EXPECT_EQ(ReadFile(dir / "block5"), Bytes(all.begin() + 5 * 1024, all.begin() + 6 * 1024));
}

TEST(RecoverFolder, FoldersThatEndUpEmptyAreNotLeftInTheTarget)
{
    // "Lost Folders" with a file that cannot be read and an empty folder below it; "Docs" with a file that can.
    testsupport::TempDir dir;
    Volume v;
    CFileNode* lost = v.Folder("Lost Folders");
    v.Folder("empty", lost);
    v.File("gone.bin", 4096, 0, lost).Runs({{5, 1}});
    v.device.FailSector(40);
    CFileNode* docs = v.Folder("Docs");
    v.File("kept.txt", 4096, 0, docs).Runs({{1, 1}});
    RecoverFolderJob job;
    ASSERT_EQ(RecoverFolder(job, nullptr, &v.device, &v.root, (dir / "out").c_str()), 1);
    EXPECT_EQ(job.result.Get(), kRecoverPartial);
    const fs::path top = job.GetMadeFolder();
    EXPECT_TRUE(fs::exists(top / "Docs" / "kept.txt"));
    EXPECT_FALSE(fs::exists(top / "Lost Folders"));

    // Nothing saved at all: not even the top folder stays.
    Volume none;
    CFileNode* only = none.Folder("Raw Files");
    none.File("gone.bin", 4096, 0, only).Runs({{5, 1}});
    none.device.FailSector(40);
    RecoverFolderJob nothing;
    ASSERT_EQ(RecoverFolder(nothing, nullptr, &none.device, &none.root, (dir / "none").c_str()), 1);
    EXPECT_EQ(nothing.result.Get(), kRecoverFailed);
    EXPECT_TRUE(nothing.GetMadeFolder().empty());
    EXPECT_TRUE(fs::is_empty(dir / "none"));
}
