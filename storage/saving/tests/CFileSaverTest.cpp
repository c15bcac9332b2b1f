// The per-file saver: runs, holes, resident data, compressed units, encrypted files, unreadable sectors,
// times and attributes, cancellation, and how an existing target is treated.
#include "storage/saving/CFileSaver.h"

#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "platform/Clock.h"
#include "storage/saving/EfsRawStream.h"
#include "storage/saving/tests/SavingTestUtil.h"
#include "core/CRecoverySettings.h"
#include "core/devices/CImageFileDevice.h"
#include "tests/support/FailingSectorsBlockDevice.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/NtfsRecordBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

using savetest::Bytes;
using savetest::FakeProperties;
using savetest::ReadFile;
using savetest::RecordingCallback;
using savetest::Volume;
namespace fs = std::filesystem;

namespace {

// The bytes a list of runs stands for on the volume, cut to size (sparse runs and, with clusterZeroIsHole,
// runs at cluster 0 as zeros).
Bytes Expected(Volume& v, const std::vector<DataRun>& runs, uint64_t size, bool clusterZeroIsHole = false)
{
    uint64_t first = 0;
    int32_t spc = 0;
    v.root.GetClusterGeometry(first, spc);
    const uint64_t clusterBytes = uint64_t(spc) * uint64_t(v.device.GetSectorSize());
    Bytes out;
    for (const DataRun& run : runs) {
        for (uint64_t c = 0; c < run.length; ++c) {
            if (run.IsSparse() || (clusterZeroIsHole && run.firstCluster == 0)) {
                out.insert(out.end(), clusterBytes, 0);
            } else {
                const uint64_t at = (first + (uint64_t(run.firstCluster) + c) * spc) * v.device.GetSectorSize();
                out.insert(out.end(), v.device.Bytes().begin() + at, v.device.Bytes().begin() + at + clusterBytes);
            }
        }
    }
    out.resize(std::min<uint64_t>(out.size(), size));
    return out;
}

int Save(Volume& v, CFileNode* node, const fs::path& path, IFileRecoverCallback* callback = nullptr)
{
    CFileSaver saver(callback, &v.device);
    return saver.SaveFile(node, path.c_str());
}

} // namespace

TEST(CFileSaver, RunsSparseRunsAndPartitionOffsets)
{
    struct Case {
        const char* name;
        uint64_t firstSector;
        std::vector<DataRun> runs;
        uint64_t size;
    };
    const Case cases[] = {
        {"5000 bytes in two clusters of 4096", 0, {{10, 2}}, 5000},
        {"exactly one cluster", 0, {{3, 1}}, 4096},
        {"fragments and a hole", 0, {{10, 1}, {-1, 2}, {40, 3}}, 6 * 4096 - 100},
        {"a partition starting at sector 100", 100, {{7, 3}}, 3 * 4096},
        {"a run longer than the read batch", 0, {{20, 300}}, 300 * 4096 - 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Volume v(16384, 512, c.firstSector, 8);
        v.device.FillWithPattern();
        v.File("f.bin", c.size).Runs(c.runs);
        testsupport::TempDir dir;
        RecordingCallback callback;
        ASSERT_EQ(Save(v, v.last, dir / "f.bin", &callback), kRecoverSaved);
        EXPECT_EQ(ReadFile(dir / "f.bin"), Expected(v, c.runs, c.size));
        EXPECT_EQ(callback.bytes, c.size);
        EXPECT_EQ(callback.files, 1);
        EXPECT_EQ(callback.names, std::vector<std::string>{"f.bin"});
        // The callback hears of every 64 KiB piece.
        EXPECT_GE(callback.pieces, int((c.size + 65535) / 65536));
    }
}

TEST(CFileSaver, EmptyMissingAndRefusedFiles)
{
    Volume v;
    testsupport::TempDir dir;
    v.File("empty.txt", 0).Times(plat::FileTimeFromUnix(1600000000), 0);
    ASSERT_EQ(Save(v, v.last, dir / "empty.txt"), kRecoverSaved);
    EXPECT_EQ(fs::file_size(dir / "empty.txt"), 0u);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "empty.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);

    v.File("lost.bin", 100); // a size but no runs
    EXPECT_EQ(Save(v, v.last, dir / "lost.bin"), kRecoverFailed);
    CFileNode* folder = v.Folder("folder");
    EXPECT_EQ(Save(v, folder, dir / "folder"), kRecoverFailed);
    EXPECT_FALSE(fs::exists(dir / "folder"));
    CFileNode orphan; // no file system above it
    FakeProperties p("orphan", 0);
    orphan.SetProperties(&p);
    EXPECT_EQ(Save(v, &orphan, dir / "orphan"), kRecoverFailed);
    EXPECT_EQ(Save(v, nullptr, dir / "none"), kRecoverFailed);

    // Compressed files on clusters of 8192 bytes are refused before the target is touched.
    Volume big(4096, 512, 0, 16);
    big.File("packed.bin", 100, 0x800).Runs({{1, 1}});
    EXPECT_EQ(Save(big, big.last, dir / "packed.bin"), kRecoverFailed);
    EXPECT_FALSE(fs::exists(dir / "packed.bin"));
}

TEST(CFileSaver, Ext2HolesOnlyInSparseFiles)
{
    Volume v(4096, 512, 0, 2, kFsKindExt2);
    v.device.FillWithPattern();
    const std::vector<DataRun> runs{{5, 1}, {0, 2}, {9, 1}};
    testsupport::TempDir dir;
    FakeProperties& sparse = v.File("sparse", 4 * 1024, 0x200).Runs(runs);
    sparse.type = kPropertiesExt2;
    ASSERT_EQ(Save(v, v.last, dir / "sparse"), kRecoverSaved);
    EXPECT_EQ(ReadFile(dir / "sparse"), Expected(v, runs, 4096, true));

    // The same runs of a file without the sparse attribute read cluster 0 as it is.
    FakeProperties& plain = v.File("plain", 4 * 1024).Runs(runs);
    plain.type = kPropertiesExt2;
    ASSERT_EQ(Save(v, v.last, dir / "plain"), kRecoverSaved);
    EXPECT_EQ(ReadFile(dir / "plain"), Expected(v, runs, 4096, false));
}

TEST(CFileSaver, UnreadableSectorsAreZerosCountedAndPartial)
{
    Volume v(16384, 512, 0, 8);
    v.device.FillWithPattern();
    // Three pieces of 64 KiB in one run; the middle one cannot be read.
    const std::vector<DataRun> runs{{100, 48}};
    v.File("damaged.bin", 48 * 4096).Runs(runs);
    v.device.FailSector(100 * 8 + 128 + 5);
    testsupport::TempDir dir;
    CFileSaver saver(nullptr, &v.device);
    ASSERT_EQ(saver.SaveFile(v.last, (dir / "damaged.bin").c_str()), kRecoverSaved);
    EXPECT_TRUE(saver.WasPartial());
    EXPECT_EQ(saver.GetUnreadableBytes(), 65536u);
    Bytes expected = Expected(v, runs, 48 * 4096);
    // What the device gave before the bad sector is kept; from there the piece is zeros.
    std::fill(expected.begin() + 65536 + 5 * 512, expected.begin() + 2 * 65536, 0);
    EXPECT_EQ(ReadFile(dir / "damaged.bin"), expected);

    // Runs that end before the size: what there is, marked partial.
    v.File("short.bin", 3 * 4096).Runs({{10, 2}});
    ASSERT_EQ(saver.SaveFile(v.last, (dir / "short.bin").c_str()), kRecoverSaved);
    EXPECT_TRUE(saver.WasPartial());
    EXPECT_EQ(fs::file_size(dir / "short.bin"), 2u * 4096);

    // A cluster number past any device is unreadable, not a crash; a file of which no byte could be read is
    // not saved (a file of zeros under its name would pass for it).
    v.File("wild.bin", 4096).Runs({{INT64_MAX - 1, 1}});
    ASSERT_EQ(saver.SaveFile(v.last, (dir / "wild.bin").c_str()), kRecoverFailed);
    EXPECT_EQ(saver.GetUnreadableBytes(), 4096u);
    EXPECT_EQ(saver.GetFailReason(), CFileSaver::kNothingReadReason);
    EXPECT_FALSE(fs::exists(dir / "wild.bin"));

    v.device.ClearFailures();
    ASSERT_EQ(saver.SaveFile(v.nodes.front().get(), (dir / "again.bin").c_str()), kRecoverSaved);
    EXPECT_FALSE(saver.WasPartial());
}

TEST(CFileSaver, OneBadSectorOfADyingDiskCostsExactlyItsBytes)
{
    // An image file read through a device that fails chosen sectors with EIO, as a dying disk does.
    testsupport::TempDir dir;
    Volume v(16384, 512, 0, 8);
    v.device.FillWithPattern();
    {
        std::ofstream out(dir / "disk.img", std::ios::binary);
        out.write(reinterpret_cast<const char*>(v.device.Bytes().data()), std::streamsize(v.device.Bytes().size()));
    }
    const std::vector<DataRun> runs{{100, 48}, {400, 3}};
    const uint64_t size = 50 * 4096 + 1000;
    v.File("damaged.bin", size).Runs(runs);
    // One sector inside the first run, and the last sector of the file, of which it holds 1000 - 512 bytes.
    const uint64_t inside = 100 * 8 + 200, tail = 402 * 8 + 1;
    const int saved = GetRecoverySettings()->m_ignoreBadSectors;
    for (const int ignore : {1, 0}) {
        SCOPED_TRACE(ignore ? "ignoring bad sectors" : "not ignoring them");
        GetRecoverySettings()->m_ignoreBadSectors = ignore;
        CImageFileDevice image((dir / "disk.img").string(), [&](std::unique_ptr<plat::IBlockDevice> inner) {
            return std::make_unique<testsupport::FailingSectorsBlockDevice>(
                std::move(inner), testsupport::FailingSectorsBlockDevice::Ranges{{inside, inside}, {tail, tail}});
        });
        ASSERT_TRUE(image.IsOpen());
        CFileSaver saver(nullptr, &image);
        const fs::path target = dir / (std::to_string(ignore) + ".bin");
        ASSERT_EQ(saver.SaveFile(v.last, target.c_str()), kRecoverSaved);
        EXPECT_TRUE(saver.WasPartial());
        EXPECT_EQ(saver.GetUnreadableBytes(), 512u + (1000 - 512));
        Bytes expected = Expected(v, runs, size);
        std::fill_n(expected.begin() + 200 * 512, 512, 0);
        std::fill(expected.begin() + (48 + 2) * 4096 + 512, expected.end(), 0);
        EXPECT_EQ(ReadFile(target), expected);
    }
    GetRecoverySettings()->m_ignoreBadSectors = saved;
}

TEST(CFileSaver, CompressedUnitsStoredUnitsAndEmptyUnits)
{
    Volume v(16384, 512, 0, 8);
    // Unit 1: 16 clusters of text compressed into 5 clusters at cluster 50, 11 sparse. Unit 2: 16 clusters
    // stored at cluster 200. Unit 3: sparse. The file ends 1000 bytes into unit 3.
    Bytes text;
    while (text.size() < 65536) {
        const std::string line = "line " + std::to_string(text.size() % 977) + " of a compressible report\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    text.resize(65536);
    Bytes packed;
    for (size_t at = 0; at < text.size(); at += 4096) {
        const Bytes chunk = savetest::EncodeLznt1Chunk(text.data() + at, 4096);
        packed.insert(packed.end(), chunk.begin(), chunk.end());
    }
    ASSERT_LE(packed.size(), 5u * 4096) << "the fixture text does not compress enough";
    v.device.Write(50 * 4096, packed.data(), packed.size());
    const Bytes stored = savetest::Pattern(65536, 9);
    v.device.Write(200 * 4096, stored.data(), stored.size());

    const uint64_t size = 2 * 65536 + 1000;
    v.File("packed.txt", size, 0x800).Runs({{50, 5}, {-1, 11}, {200, 16}, {-1, 16}});
    testsupport::TempDir dir;
    RecordingCallback callback;
    ASSERT_EQ(Save(v, v.last, dir / "packed.txt", &callback), kRecoverSaved);
    Bytes expected = text;
    expected.insert(expected.end(), stored.begin(), stored.end());
    expected.resize(size, 0);
    EXPECT_EQ(ReadFile(dir / "packed.txt"), expected);
    EXPECT_EQ(callback.bytes, size);
}

namespace {

// An NTFS file under a volume node (first sector 0, one 512-byte sector per cluster): FILE record at
// sector 64, encrypted non-resident data at cluster 300 and, unless efs is empty, a resident $EFS stream.
struct EncryptedFile {
    EncryptedFile(uint64_t size, uint64_t clusters, const Bytes& efs) : volume(4096, 512, 0, 1, kFsKindNtfs)
    {
        using namespace testsupport;
        volume.device.FillWithPattern();
        NtfsRecordBuilder record;
        record.AddStandardInformation(0x4000)
            .AddFileName(5, u"secret.doc", 1, 0, size)
            .AddNonResident(0x80, NtfsPackRuns({{300, clusters}}), 0, clusters - 1, clusters * 512, size, size, u"",
                            0x4000);
        if (!efs.empty()) record.AddResident(0x100, efs, u"$EFS");
        const Bytes bytes = record.Build();
        volume.device.Write(64 * 512, bytes.data(), bytes.size());
        CNTFSFileRecordGroup group(bytes, 64, &volume.device, nullptr);
        std::unique_ptr<CNTFSFileProperties> built = BuildNTFSFileProperties(group, 64, 512);
        properties = built.get();
        node = volume.Add(&volume.root, built.release());
    }
    Bytes Raw(uint64_t bytes)
    {
        return Bytes(volume.device.Bytes().begin() + 300 * 512, volume.device.Bytes().begin() + 300 * 512 + bytes);
    }

    Volume volume;
    CNTFSFileProperties* properties = nullptr;
    CFileNode* node = nullptr;
};

Bytes EfsStream(size_t length)
{
    Bytes b(length);
    for (size_t i = 8; i < length; ++i) b[i] = uint8_t(i * 5);
    testsupport::PutLe(b, 0, length, 8);
    return b;
}

uint32_t U32(const Bytes& b, size_t at)
{
    return uint32_t(testsupport::GetLe(b, at, 4));
}

} // namespace

TEST(CFileSaver, EncryptedFilesBecomeTheirRawBackupStream)
{
    const Bytes efs = EfsStream(240);
    EncryptedFile f(1000, 2, efs);
    ASSERT_TRUE(f.properties->GetAttributes() & 0x40);
    testsupport::TempDir dir;
    RecordingCallback callback;
    ASSERT_EQ(Save(f.volume, f.node, dir / "secret.doc", &callback), kRecoverSaved);

    const Bytes out = ReadFile(dir / "secret.doc");
    const size_t block = kEfsRawHeaderBytes + efs.size() + kEfsStreamHeaderBytes;
    ASSERT_EQ(out.size(), block + 512 + 1024);
    const auto head = MakeEfsRawHeader(uint32_t(efs.size()));
    EXPECT_TRUE(std::equal(head.begin(), head.end(), out.begin()));
    EXPECT_EQ(U32(out, 50), efs.size() + 16);
    EXPECT_TRUE(std::equal(efs.begin(), efs.end(), out.begin() + kEfsRawHeaderBytes));
    const auto streamHead = MakeEfsStreamHeader();
    EXPECT_TRUE(std::equal(streamHead.begin(), streamHead.end(), out.begin() + kEfsRawHeaderBytes + efs.size()));
    // One block of two whole sectors whose head carries the real 1000 bytes.
    EXPECT_EQ(U32(out, block + 0), 1024u + 512);
    EXPECT_EQ(std::string(out.begin() + block + 4, out.begin() + block + 12), std::string("G\0U\0R\0E\0", 8));
    EXPECT_EQ(testsupport::GetLe(out, block + 18, 2), 0u);
    EXPECT_EQ(U32(out, block + 24), 496u);
    EXPECT_EQ(U32(out, block + 28), 1000u);
    EXPECT_EQ(U32(out, block + 32), 1000u);
    EXPECT_EQ(U32(out, block + 36), 0x10100000u);
    EXPECT_EQ(U32(out, block + 40), 0x0001010Bu);
    EXPECT_EQ(U32(out, block + 44), 1024u);
    const Bytes raw = f.Raw(1024);
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), out.begin() + block + 512));
    EXPECT_EQ(callback.subtracted, 24);
    EXPECT_EQ(callback.bytes, 1024u);
    // Nothing temporary stays behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(CFileSaver, EncryptedStreamBlocksAndTheirEdges)
{
    const Bytes efs = EfsStream(100);
    {
        // Exactly 64 KiB of data: one block, the loop ends on the empty read after it.
        EncryptedFile f(65536, 128, efs);
        testsupport::TempDir dir;
        ASSERT_EQ(Save(f.volume, f.node, dir / "a"), kRecoverSaved);
        const Bytes out = ReadFile(dir / "a");
        const size_t block = kEfsRawHeaderBytes + efs.size() + kEfsStreamHeaderBytes;
        ASSERT_EQ(out.size(), block + 512 + 65536);
        EXPECT_EQ(U32(out, block + 28), 65536u);
    }
    {
        // 65537 bytes: a second block of one sector with index 1 that covers the last byte.
        EncryptedFile f(65537, 129, efs);
        testsupport::TempDir dir;
        ASSERT_EQ(Save(f.volume, f.node, dir / "b"), kRecoverSaved);
        const Bytes out = ReadFile(dir / "b");
        const size_t second = kEfsRawHeaderBytes + efs.size() + kEfsStreamHeaderBytes + 512 + 65536;
        ASSERT_EQ(out.size(), second + 512 + 512);
        EXPECT_EQ(testsupport::GetLe(out, second + 18, 2), 1u);
        EXPECT_EQ(U32(out, second + 28), 1u);
        EXPECT_EQ(U32(out, second + 44), 512u);
    }
    {
        // Without a readable $EFS stream the raw bytes are saved as they are, exactly the file's size.
        EncryptedFile f(1000, 2, {});
        testsupport::TempDir dir;
        RecordingCallback callback;
        ASSERT_EQ(Save(f.volume, f.node, dir / "c", &callback), kRecoverSaved);
        EXPECT_EQ(ReadFile(dir / "c"), f.Raw(1000));
        EXPECT_EQ(callback.subtracted, 0);
    }
    {
        // A cancel while the stream is built: no stream and no temporary file; the job is told.
        EncryptedFile f(200000, 400, efs);
        testsupport::TempDir dir;
        RecordingCallback callback;
        callback.cancelOnCheck = true; // the first poll comes after the first block of the stream
        ASSERT_EQ(Save(f.volume, f.node, dir / "d", &callback), kRecoverCancelled);
        // Nothing stays: neither the stream nor the half-built raw file under the file's name.
        for (const auto& entry : fs::directory_iterator(dir.path())) ADD_FAILURE() << "left behind: " << entry.path();
    }
}

TEST(CFileSaver, ResidentDataComesFromTheFileRecord)
{
    using namespace testsupport;
    Volume v(4096, 512, 0, 8, kFsKindNtfs);
    const Bytes value{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const Bytes record = NtfsRecordBuilder()
                             .AddStandardInformation(0)
                             .AddFileName(5, u"ten.txt", 1, 0, 10)
                             .AddResident(0x80, value)
                             .Build();
    v.device.Write(80 * 512, record.data(), record.size());
    CNTFSFileRecordGroup group(record, 80, &v.device, nullptr);
    CFileNode* node = v.Add(&v.root, BuildNTFSFileProperties(group, 80, 4096).release());
    testsupport::TempDir dir;
    RecordingCallback callback;
    ASSERT_EQ(Save(v, node, dir / "ten.txt", &callback), kRecoverSaved);
    EXPECT_EQ(ReadFile(dir / "ten.txt"), value);
    EXPECT_EQ(callback.bytes, 10u);

    // A record that no longer holds the data fails the file.
    v.device.Write(80 * 512, Bytes(1024, 0).data(), 1024);
    EXPECT_EQ(Save(v, node, dir / "gone.txt"), kRecoverFailed);
}

TEST(CFileSaver, TimesThenReadOnly)
{
    Volume v;
    v.device.FillWithPattern();
    const FILETIME modification = plat::FileTimeFromUnix(1300000000, 123456700);
    const FILETIME access = plat::FileTimeFromUnix(1400000000);
    FakeProperties& p = v.File("ro.txt", 700, 0x01 | 0x02 | 0x20).Runs({{4, 1}}).Times(modification, access);
    testsupport::TempDir dir;
    ASSERT_EQ(Save(v, v.last, dir / "ro.txt"), kRecoverSaved);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "ro.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1300000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456700);
    EXPECT_EQ(st.st_atim.tv_sec, 1400000000);
    EXPECT_EQ(st.st_mode & 0222, 0u);

    // A time whose valid bit is clear is left to the file system.
    MyFilePropertiesRecord r = p.GetRecord();
    r.validMask = 0xFF & ~0x10;
    r.attributes = 0;
    p.SetRecord(r);
    ASSERT_EQ(Save(v, v.last, dir / "now.txt"), kRecoverSaved);
    ASSERT_EQ(::stat((dir / "now.txt").c_str(), &st), 0);
    EXPECT_GT(st.st_mtim.tv_sec, 1600000000);
    EXPECT_NE(st.st_mode & 0200, 0u);
}

TEST(CFileSaver, CancelStopsWithinAPiece)
{
    Volume v(16384, 512, 0, 8);
    v.File("big.bin", 40 * 65536).Runs({{10, 640}});
    testsupport::TempDir dir;
    RecordingCallback callback;
    callback.cancelAfterBytes = 3 * 65536;
    EXPECT_EQ(Save(v, v.last, dir / "big.bin", &callback), kRecoverCancelled);
    EXPECT_EQ(callback.bytes, 3u * 65536);
    EXPECT_FALSE(fs::exists(dir / "big.bin")); // a half-written file never stays under its name
    EXPECT_EQ(callback.files, 0);

    RecordingCallback before;
    before.cancelled = true;
    EXPECT_EQ(Save(v, v.last, dir / "never.bin", &before), kRecoverCancelled);
    EXPECT_FALSE(fs::exists(dir / "never.bin"));
}

TEST(CFileSaver, AnExistingTargetIsNeverReplacedAndSymlinksAreNotFollowed)
{
    Volume v;
    v.device.FillWithPattern();
    testsupport::TempDir dir;
    const Bytes old{'o', 'l', 'd'};
    {
        std::ofstream(dir / "keep.txt", std::ios::binary).write("old", 3);
        std::ofstream(dir / "victim", std::ios::binary).write("old", 3);
    }
    fs::create_symlink(dir / "victim", dir / "link");
    fs::create_directory(dir / "adir");

    const std::vector<DataRun> runs{{2, 1}};
    v.File("good", 1000).Runs(runs);
    // A taken name (file, symlink or folder) gets the next free number; what was there stays as it was.
    const struct {
        const char* asked;
        const char* used;
    } rows[] = {
        {"keep.txt", "keep_000.txt"}, {"keep.txt", "keep_001.txt"}, {"link", "link_000"},
        {"adir", "adir_000"},         {"fresh.bin", "fresh.bin"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.asked);
        CFileSaver saver(nullptr, &v.device);
        ASSERT_EQ(saver.SaveFile(v.last, (dir / r.asked).c_str()), kRecoverSaved);
        EXPECT_EQ(saver.GetSavedPath(), (dir / r.used).string());
        EXPECT_EQ(ReadFile(dir / r.used), Expected(v, runs, 1000));
    }
    EXPECT_EQ(ReadFile(dir / "keep.txt"), old);
    EXPECT_EQ(ReadFile(dir / "victim"), old);
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_TRUE(fs::is_directory(dir / "adir"));
}

using testsupport::FileSizeLimit;

TEST(CFileSaver, AFileWhoseWriteFailedIsRemoved)
{
    // Nothing of a file that could not be written whole stays behind under its name (nor a temporary file),
    // and the next file of the job is saved as usual.
    const Bytes efs = EfsStream(100);
    EncryptedFile f(1000, 2, efs);
    testsupport::TempDir dir;
    const size_t intermediate = kEfsRawHeaderBytes + efs.size() + 1024;
    {
        // Room for the raw data but not for the stream built from it.
        FileSizeLimit limit(intermediate + 100);
        EXPECT_EQ(Save(f.volume, f.node, dir / "secret.doc"), kRecoverFailed);
    }
    EXPECT_TRUE(fs::is_empty(dir.path())) << "a partial or temporary file stayed";

    Volume v;
    v.File("big.bin", 200000).Runs({{10, 49}});
    CFileSaver saver(nullptr, &v.device);
    {
        FileSizeLimit limit(100000);
        EXPECT_EQ(saver.SaveFile(v.last, (dir / "big.bin").c_str()), kRecoverFailed);
    }
    EXPECT_FALSE(fs::exists(dir / "big.bin"));
    // A file created empty for the saver (the folder job) goes as well.
    {
        testsupport::TempDir other;
        UniqueFd folder(::open(other.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        CTargetFile target = CTargetFile::CreateNew(folder.Get(), "big.bin");
        ASSERT_TRUE(target.IsOpen());
        FileSizeLimit limit(100000);
        EXPECT_EQ(saver.SaveFile(v.last, std::move(target)), kRecoverFailed);
        EXPECT_TRUE(fs::is_empty(other.path()));
    }
    EXPECT_EQ(saver.SaveFile(v.last, (dir / "big.bin").c_str()), kRecoverSaved);
    EXPECT_EQ(fs::file_size(dir / "big.bin"), 200000u);
}

TEST(CFileSaver, HugeHolesAndRunsPastTheDeviceTakeOneStep)
{
    // Crafted run lists: a hole of 2^40 clusters, and runs far past the end of a 2 MiB device. Each is done
    // at once, leaves a hole in the target, and the bytes past the device count as unreadable.
    const uint64_t size = uint64_t(1) << 36;
    testsupport::TempDir dir;
    struct Case {
        const char* name;
        uint32_t attributes;
        std::vector<DataRun> runs;
        uint64_t unreadable;
    };
    const Case cases[] = {
        {"sparse", 0, {{-1, uint64_t(1) << 40}}, 0},
        {"past the device", 0, {{int64_t(1) << 40, uint64_t(1) << 24}}, size},
        {"compressed sparse", 0x800, {{-1, uint64_t(1) << 40}}, 0},
        {"compressed past the device", 0x800, {{int64_t(1) << 40, uint64_t(1) << 24}}, size},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Volume v;
        v.File("huge", size, c.attributes).Runs(c.runs);
        RecordingCallback callback;
        CFileSaver saver(&callback, &v.device);
        const fs::path path = dir / (std::string(c.name) + ".bin");
        EXPECT_EQ(saver.GetUnreadableBytes(), 0u);
        if (c.unreadable == size) {
            // Not one byte lies on the device: the file is not saved, and nothing is left of it.
            EXPECT_EQ(saver.SaveFile(v.last, path.c_str()), kRecoverFailed);
            EXPECT_EQ(saver.GetUnreadableBytes(), size);
            EXPECT_FALSE(fs::exists(path));
            EXPECT_LT(callback.pieces, 4);
            continue;
        }
        ASSERT_EQ(saver.SaveFile(v.last, path.c_str()), kRecoverSaved);
        EXPECT_EQ(fs::file_size(path), size);
        EXPECT_EQ(callback.bytes, size);
        EXPECT_LT(callback.pieces, 4);
        EXPECT_EQ(saver.GetUnreadableBytes(), c.unreadable);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_LT(uint64_t(st.st_blocks) * 512, uint64_t(1) << 20) << "the hole was written out";
    }
}
