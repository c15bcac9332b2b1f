// The writer's slice changes, cancellation, slice limit, unreadable source sectors, refused settings, codec
// fallback and write failures.
#include "core/CRecoverySettings.h"
#include "core/devices/CImageFileDevice.h"
#include "platform/Log.h"
#include "storage/diskimage/CImageFile.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"
#include "storage/diskimage/tests/DiskImageTestSupport.h"
#include "tests/support/FailingSectorsBlockDevice.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace dtest;
using Status = CCompressController::Status;

namespace {

diskimage::ImageHeader HeaderOf(const std::string& path)
{
    CImageFile container(path);
    diskimage::ImageHeader header;
    EXPECT_TRUE(container.Open(CFileHandle::kRead) && container.ReadHeader(header));
    return header;
}

std::vector<std::string> Lines(const fs::path& path)
{
    std::vector<std::string> lines;
    std::string text;
    for (uint8_t b : ReadFile(path)) text.push_back(char(b));
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 2;
    }
    return lines;
}

TEST(ImageWriter, ABlockThatWouldReachTheLimitStartsTheNextSlice)
{
    // Stored blocks of 131072 bytes; a slice file is 512 + its blocks. With 769 units (393728 bytes) a third
    // block would bring the file to exactly the limit, so it opens the next slice; with 770 units it fits.
    const std::pair<int, std::vector<uint32_t>> cases[] = {{769, {2, 2, 1}}, {770, {3, 2}}, {0, {5}}};
    auto source = MakeSource(256 * 5, 512);
    for (const auto& [limit, perSlice] : cases) {
        SCOPED_TRACE(limit);
        testsupport::TempDir dir;
        const std::string path = (dir / "s.kxi").string();
        ImageSettings settings;
        settings.kind = 0;
        settings.sliceLimit = limit;
        ASSERT_EQ(WriteImage(*source, path, settings), 1);
        const auto header = HeaderOf(path);
        ASSERT_EQ(header.sliceCount, perSlice.size());
        for (size_t s = 0; s < perSlice.size(); ++s) EXPECT_EQ(header.sliceBlocks[s], perSlice[s]) << s;
        // Compression off: each slice holds the source's bytes as they are.
        const auto slice0 = ReadFile(dir / "s.part0.kxf");
        ASSERT_EQ(slice0.size(), 512 + perSlice[0] * 131072u);
        EXPECT_EQ(std::vector<uint8_t>(slice0.begin(), slice0.begin() + 512), std::vector<uint8_t>(512, 0));
        EXPECT_EQ(0, std::memcmp(slice0.data() + 512, source->Sector(0), perSlice[0] * 131072u));
    }
}

TEST(ImageWriter, NewSliceRequestMovesLaterSlicesToTheNewPath)
{
    testsupport::TempDir dir;
    fs::create_directories(dir / "first.d");
    fs::create_directories(dir / "other.d");
    const std::string path = (dir / "first.d" / "img.kxi").string();
    const std::string moved = (dir / "other.d" / "img2.kxi").string();
    auto source = MakeSource(256 * 4, 512);
    CCompressController writer;
    RecordingCallBack callback;
    // Before block 1: the location changes, as when the target runs short of space.
    callback.onNewSlice = [&](uint64_t block) {
        if (block != 1) return 0;
        writer.SetImagePath(moved.c_str());
        return 1;
    };
    ASSERT_EQ(WriteImage(*source, path, ImageSettings{}, &callback, &writer), 1);
    const auto header = HeaderOf(path);
    ASSERT_EQ(header.sliceCount, 2u);
    EXPECT_EQ(header.sliceBlocks[0], 1u); // closed after its single block
    EXPECT_EQ(header.sliceBlocks[1], 3u);
    EXPECT_TRUE(fs::exists(dir / "other.d" / "img2.part1.kxf"));
    EXPECT_FALSE(fs::exists(dir / "first.d" / "img.part1.kxf"));
    const auto lines = Lines(dir / "first.d" / "img.kxp");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], fs::absolute(dir / "first.d" / "img.part0.kxf").string());
    EXPECT_EQ(lines[1], fs::absolute(dir / "other.d" / "img2.part1.kxf").string());

    CImageFileDeviceWithDecompress device(path);
    EXPECT_TRUE(device.CheckSlices());
    bool ok = false;
    EXPECT_TRUE(ReadAll(device, 256, &ok) == source->Bytes());
    EXPECT_TRUE(ok);
}

TEST(ImageWriter, CancelledRunLeavesAConsistentImageOfTheBlocksWritten)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "c.kxi").string();
    auto source = MakeSource(256 * 20, 512);
    RecordingCallBack callback;
    callback.cancelAt = 11;
    CCompressController writer;
    ImageSettings settings;
    settings.sliceLimit = 600;
    ASSERT_EQ(WriteImage(*source, path, settings, &callback, &writer), 1);
    EXPECT_EQ(writer.GetStatus(), Status::Cancelled);
    EXPECT_EQ(callback.steps.size(), 11u);
    const auto header = HeaderOf(path);
    EXPECT_EQ(header.totalBlocks, 11u);
    uint32_t sum = 0;
    for (uint32_t s = 0; s < header.sliceCount; ++s) sum += header.sliceBlocks[s];
    EXPECT_EQ(sum, 11u);
    EXPECT_EQ(Lines(dir / "c.kxp").size(), header.sliceCount);

    CImageFileDeviceWithDecompress device(path);
    EXPECT_TRUE(device.CheckSlices());
    ASSERT_EQ(device.GetSectorCount(), 11u * 256);
    std::vector<uint8_t> expected(source->Bytes().begin(), source->Bytes().begin() + 11 * 256 * 512);
    EXPECT_TRUE(ReadAll(device, 256) == expected);
}

TEST(ImageWriter, AFiftyNinthSliceIsRefusedAndTheRunFails)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "many.kxi").string();
    auto source = MakeSource(256 * 59, 512);
    CCompressController writer;
    ImageSettings settings;
    settings.kind = 0;
    settings.sliceLimit = 1; // one block per slice
    LogCapture log;
    EXPECT_EQ(WriteImage(*source, path, settings, nullptr, &writer), 0);
    EXPECT_EQ(writer.GetStatus(), Status::SliceLimit);
    EXPECT_NE(writer.GetErrorText().find("58 slices"), std::string::npos) << writer.GetErrorText();
    EXPECT_TRUE(log.Contains("58 slices"));
    EXPECT_FALSE(fs::exists(dir / "many.part58.kxf"));

    // The 58 slices written still form a readable image; its header's table ends before offset 508.
    const auto header = HeaderOf(path);
    EXPECT_EQ(header.sliceCount, 58u);
    EXPECT_EQ(header.totalBlocks, 58u);
    EXPECT_EQ(header.reserved, 0u);
    CImageFileDeviceWithDecompress device(path);
    EXPECT_TRUE(device.CheckSlices());
    std::vector<uint8_t> expected(source->Bytes().begin(), source->Bytes().begin() + 58 * 256 * 512);
    EXPECT_TRUE(ReadAll(device, 512) == expected);
}

TEST(ImageWriter, UnreadableSourceSectorsAreCountedAndTheirNeighboursKept)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "bad.kxi").string();
    auto source = MakeSource(600, 512);
    source->FailSector(5);
    source->FailSectors(300, 3);
    CCompressController writer;
    LogCapture log;
    ASSERT_EQ(WriteImage(*source, path, ImageSettings{}, nullptr, &writer), 1);
    EXPECT_EQ(writer.GetStatus(), Status::Complete);
    EXPECT_EQ(writer.GetUnreadableSectors(), 4u);
    EXPECT_TRUE(log.Contains("4 unreadable source sectors"));

    CImageFileDeviceWithDecompress device(path);
    const auto image = ReadAll(device, 256);
    for (uint64_t s : {4, 5, 6, 299, 300, 302, 303}) {
        const bool bad = s == 5 || (s >= 300 && s < 303);
        const std::vector<uint8_t> got(image.begin() + s * 512, image.begin() + (s + 1) * 512);
        const std::vector<uint8_t> want =
            bad ? std::vector<uint8_t>(512, 0) : std::vector<uint8_t>(source->Sector(s), source->Sector(s) + 512);
        EXPECT_EQ(got, want) << "sector " << s;
    }
}

TEST(ImageWriter, SectorsOfADyingDiskReadAsZerosAreCountedToo)
{
    // "Ignore bad sectors" (the default) makes the source's reads succeed with the failing sectors zeroed:
    // the writer still counts exactly those.
    testsupport::TempDir dir;
    auto memory = MakeSource(600, 512);
    {
        std::ofstream out(dir / "disk.img", std::ios::binary);
        out.write(reinterpret_cast<const char*>(memory->Bytes().data()), std::streamsize(memory->Bytes().size()));
    }
    ASSERT_NE(GetRecoverySettings()->m_ignoreBadSectors, 0);
    CImageFileDevice source((dir / "disk.img").string(), [](std::unique_ptr<plat::IBlockDevice> inner) {
        return std::make_unique<testsupport::FailingSectorsBlockDevice>(
            std::move(inner), testsupport::FailingSectorsBlockDevice::Ranges{{5, 5}, {300, 302}});
    });
    const std::string path = (dir / "bad.kxi").string();
    CCompressController writer;
    ASSERT_EQ(WriteImage(source, path, ImageSettings{}, nullptr, &writer), 1);
    EXPECT_EQ(writer.GetUnreadableSectors(), 4u);
    CImageFileDeviceWithDecompress device(path);
    const auto image = ReadAll(device, 256);
    for (uint64_t s : {4, 5, 6, 299, 300, 302, 303}) {
        const bool bad = s == 5 || (s >= 300 && s < 303);
        const std::vector<uint8_t> got(image.begin() + s * 512, image.begin() + (s + 1) * 512);
        const std::vector<uint8_t> want =
            bad ? std::vector<uint8_t>(512, 0) : std::vector<uint8_t>(memory->Sector(s), memory->Sector(s) + 512);
        EXPECT_EQ(got, want) << "sector " << s;
    }
}

TEST(ImageWriter, SettingsThatCannotMakeAnImageAreRefusedBeforeAnyFile)
{
    testsupport::TempDir dir;
    auto source = MakeSource(300, 512);
    testsupport::MemoryDevice odd(300, 520);
    struct Case {
        const char* name;
        IStorageDevice* device;
        uint64_t first;
        uint64_t count;
        std::string path;
    };
    const Case cases[] = {
        {"no source", nullptr, 0, 10, (dir / "a.kxi").string()},
        {"range past the end", source.get(), 200, 101, (dir / "a.kxi").string()},
        {"first past the end", source.get(), 301, 0, (dir / "a.kxi").string()},
        {"sector size 520", &odd, 0, 300, (dir / "a.kxi").string()},
        {"image named like its slice list", source.get(), 0, 300, (dir / "a.kxp").string()},
        {"empty path", source.get(), 0, 300, ""},
        {"line break in the path", source.get(), 0, 300, (dir / "a\nb.kxi").string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCompressController writer;
        writer.SetSource(c.device, "x", c.first, c.count, 255);
        writer.SetCompression(2, -1, 0);
        writer.SetImagePath(c.path.c_str());
        EXPECT_EQ(writer.Compress(nullptr), 0);
        EXPECT_EQ(writer.GetStatus(), Status::BadSettings);
        EXPECT_FALSE(writer.GetErrorText().empty());
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
}

TEST(ImageWriter, ABlockTheCodecCannotShrinkIsStoredAsReadAndReadsBack)
{
    // Random bytes grow under bzip2 by more than the 0.2 % the output buffer allows.
    testsupport::TempDir dir;
    const std::string path = (dir / "r.kxi").string();
    auto source = std::make_unique<testsupport::MemoryDevice>(300, 512);
    std::mt19937 gen(3);
    for (auto& b : source->Bytes()) b = uint8_t(gen());
    RecordingCallBack callback;
    ImageSettings settings;
    settings.kind = 1;
    settings.level = 9;
    ASSERT_EQ(WriteImage(*source, path, settings, &callback), 1);
    ASSERT_EQ(callback.sizes.size(), 2u);
    EXPECT_EQ(callback.sizes[0], 256 * 512);
    // The short last block's stream still fits the buffer sized for a whole block, so it stays compressed.
    EXPECT_GT(callback.sizes[1], 44 * 512);
    CImageFileDeviceWithDecompress device(path);
    std::vector<uint8_t> expected = source->Bytes();
    expected.resize(512 * 512, 0);
    bool ok = false;
    EXPECT_TRUE(ReadAll(device, 100, &ok) == expected);
    EXPECT_TRUE(ok);
}

TEST(ImageWriter, AFailedWriteFailsTheRunAndSaysWhere)
{
    // A file-size limit stands in for a full disk: the third block no longer fits in the slice file.
    testsupport::TempDir dir;
    const std::string path = (dir / "full.kxi").string();
    const std::string logPath = (dir / "child.log").string();
    auto source = MakeSource(256 * 4, 512);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InitLog(logPath.c_str(), LOGLEVEL_NORMAL, LOGTYPE_STANDALONE);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{300000, 300000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        CCompressController writer;
        ImageSettings settings;
        settings.kind = 0;
        const int result = WriteImage(*source, path, settings, nullptr, &writer);
        const bool named = writer.GetErrorText().find("full.part0.kxf") != std::string::npos;
        ::_exit(result == 0 && writer.GetStatus() == Status::WriteFailed && named ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::string log;
    for (uint8_t b : ReadFile(logPath)) log.push_back(char(b));
    EXPECT_NE(log.find("the image is incomplete"), std::string::npos) << log;

    // What was written before the failure is recorded and reads back.
    const auto header = HeaderOf(path);
    EXPECT_EQ(header.totalBlocks, 2u);
    CImageFileDeviceWithDecompress device(path);
    EXPECT_TRUE(device.CheckSlices());
    std::vector<uint8_t> expected(source->Bytes().begin(), source->Bytes().begin() + 2 * 256 * 512);
    EXPECT_TRUE(ReadAll(device, 256) == expected);
}

} // namespace
