// Images written from a device and read back through the image device: every sector identical, for the
// codec kinds, sector sizes and slice sizes, plus the reads at the image's edges and the block cache.
#include "storage/diskimage/CImageFile.h"
#include "storage/diskimage/CImageFileDeviceWithDecompress.h"
#include "storage/diskimage/tests/DiskImageTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <thread>

namespace fs = std::filesystem;
using namespace dtest;
using diskimage::kBlockSectors;

namespace {

struct RoundTripCase {
    const char* name;
    uint64_t sectors;
    int32_t sectorSize;
    int kind;
    int sliceLimit; // 512-byte units, 0 no splitting
};

class ImageRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(ImageRoundTrip, EverySectorReadsBackAsWritten)
{
    const RoundTripCase& c = GetParam();
    testsupport::TempDir dir;
    const std::string path = (dir / "disk.kxi").string();
    auto source = MakeSource(c.sectors, c.sectorSize);
    RecordingCallBack callback;
    CCompressController writer;
    ImageSettings settings;
    settings.kind = c.kind;
    settings.level = c.kind == 1 ? 9 : -1;
    settings.sliceLimit = c.sliceLimit;
    settings.heads = 16;
    ASSERT_EQ(WriteImage(*source, path, settings, &callback, &writer), 1) << writer.GetErrorText();
    EXPECT_EQ(writer.GetStatus(), CCompressController::Status::Complete);

    const uint64_t blocks = (c.sectors + kBlockSectors - 1) / kBlockSectors;
    ASSERT_EQ(callback.begins.size(), 1u);
    EXPECT_EQ(callback.begins[0], std::make_pair(uint64_t(0), blocks));
    ASSERT_EQ(callback.steps.size(), blocks);
    EXPECT_EQ(callback.steps.back(), blocks - 1);
    uint64_t stored = 0;
    for (int size : callback.sizes) stored += uint64_t(size);
    EXPECT_EQ(stored, writer.GetStoredBytes());

    // The files: header counts, one slice file per slice named after the image, each below the limit.
    CImageFile container(path);
    ASSERT_TRUE(container.Open(CFileHandle::kRead));
    diskimage::ImageHeader header;
    ASSERT_TRUE(container.ReadHeader(header));
    EXPECT_EQ(header.totalBlocks, blocks);
    EXPECT_EQ(header.sliceCount, writer.GetSlicesCreated());
    EXPECT_EQ(header.kind, uint32_t(c.kind));
    EXPECT_EQ(header.sectorSize, uint32_t(c.sectorSize));
    EXPECT_EQ(header.sourceName, "test source");
    EXPECT_EQ(fs::file_size(path), 512 + 4 * blocks);
    EXPECT_TRUE(fs::exists(dir / "disk.kxp"));
    uint64_t sliceBytes = 0;
    for (uint32_t s = 0; s < header.sliceCount; ++s) {
        const fs::path slice = dir / ("disk.part" + std::to_string(s) + ".kxf");
        ASSERT_TRUE(fs::exists(slice)) << slice;
        const uint64_t size = fs::file_size(slice);
        sliceBytes += size - 512;
        if (c.sliceLimit > 0 && header.sliceBlocks[s] > 1) {
            EXPECT_LT(size, uint64_t(c.sliceLimit) * 512) << slice;
        }
    }
    EXPECT_EQ(sliceBytes, stored);
    if (c.sliceLimit > 0) {
        EXPECT_GT(header.sliceCount, 1u) << "the case should split";
    }

    CImageFileDeviceWithDecompress device(path);
    ASSERT_TRUE(device.IsValid());
    EXPECT_TRUE(device.CheckSlices());
    EXPECT_EQ(device.GetSectorCount(), blocks * kBlockSectors);
    EXPECT_EQ(device.GetSectorSize(), c.sectorSize);
    EXPECT_EQ(device.ReadHeaderValue(), 16);
    EXPECT_EQ(device.GetCompressionKind(), c.kind);

    std::vector<uint8_t> expected = source->Bytes();
    expected.resize(blocks * kBlockSectors * uint64_t(c.sectorSize), 0); // the last block's tail is zeros
    for (uint64_t step : {uint64_t(37), uint64_t(kBlockSectors), uint64_t(1000)}) {
        bool ok = false;
        EXPECT_TRUE(ReadAll(device, step, &ok) == expected) << "runs of " << step;
        EXPECT_TRUE(ok);
    }
}

const RoundTripCase kRoundTrips[] = {
    {"Stored300x512", 300, 512, 0, 0},
    {"Zlib300x512", 300, 512, 2, 0},
    {"Zlib300x4096", 300, 4096, 2, 0},
    {"Bzip2_768x512", 768, 512, 1, 0},
    {"Lzma768x512", 768, 512, 3, 0},
    {"Zlib1024x4096Split", 1024, 4096, 2, 2 * 1024 + 100},
    {"Stored1024x512TwoBlocksPerSlice", 1024, 512, 0, 769},
    {"Stored300x4096OneBlockPerSlice", 300, 4096, 0, 1},
    {"Zlib2560x512Split", 2560, 512, 2, 400},
};

INSTANTIATE_TEST_SUITE_P(Cases, ImageRoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

// A 300-sector zlib image shared by the edge tests.
class ImageDeviceEdges : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_source = MakeSource(300, 512);
        ImageSettings settings;
        settings.name = "Disk 2: USB stick";
        ASSERT_EQ(WriteImage(*m_source, m_path, settings), 1);
        m_device = std::make_unique<CImageFileDeviceWithDecompress>(m_path);
        ASSERT_TRUE(m_device->IsValid());
    }

    std::vector<uint8_t> Expected(uint64_t first, uint64_t count)
    {
        std::vector<uint8_t> bytes(count * 512, 0);
        for (uint64_t s = first; s < first + count && s < 300; ++s)
            std::memcpy(bytes.data() + (s - first) * 512, m_source->Sector(s), 512);
        return bytes;
    }

    testsupport::TempDir m_dir;
    std::string m_path = (m_dir / "edge.kxi").string();
    std::unique_ptr<testsupport::MemoryDevice> m_source;
    std::unique_ptr<CImageFileDeviceWithDecompress> m_device;
};

TEST_F(ImageDeviceEdges, RangesAtAndPastTheEnd)
{
    const uint64_t n = m_device->GetSectorCount();
    ASSERT_EQ(n, 512u);
    std::vector<uint8_t> buffer(10 * 512, 0xEE);
    EXPECT_TRUE(m_device->ReadSectors(buffer.data(), n - 1, 10));
    EXPECT_EQ(buffer, std::vector<uint8_t>(10 * 512, 0)); // sector 511 lies past the source: zero too

    buffer.assign(2 * 512, 0xEE);
    EXPECT_TRUE(m_device->ReadSectors(buffer.data(), 299, 2));
    EXPECT_EQ(buffer, Expected(299, 2));

    std::vector<uint8_t> big((n + 1) * 512, 0xEE);
    EXPECT_FALSE(m_device->ReadSectors(big.data(), 0, n + 1));
    EXPECT_FALSE(m_device->ReadSectors(big.data(), n + 1, 1));

    buffer.assign(512, 0xEE);
    EXPECT_TRUE(m_device->ReadSectors(buffer.data(), n, 0));
    EXPECT_EQ(buffer, std::vector<uint8_t>(512, 0xEE));

    std::vector<uint8_t> across(11 * 512);
    EXPECT_TRUE(m_device->ReadSectors(across.data(), 250, 11));
    EXPECT_EQ(across, Expected(250, 11));
}

TEST_F(ImageDeviceEdges, HeaderQueriesAndTheSectorView)
{
    char name[260];
    m_device->ReadHeaderString(name, sizeof name);
    EXPECT_STREQ(name, "Disk 2: USB stick");
    char small[5];
    m_device->ReadHeaderString(small, sizeof small);
    EXPECT_STREQ(small, "Disk");
    EXPECT_EQ(m_device->ReadHeaderValue(), 255);
    EXPECT_EQ(m_device->GetAs512SectorDevice(), m_device.get());
}

TEST_F(ImageDeviceEdges, ABlockReadSectorBySectorIsDecodedOnce)
{
    std::vector<uint8_t> sector(512);
    const uint64_t before = m_device->GetDecodedBlockCount();
    for (uint64_t s = 0; s < 256; ++s) {
        ASSERT_TRUE(m_device->ReadSectors(sector.data(), s, 1));
        ASSERT_EQ(sector, Expected(s, 1)) << s;
    }
    EXPECT_EQ(m_device->GetDecodedBlockCount(), before + 1);
    for (uint64_t s = 256; s < 300; ++s) ASSERT_TRUE(m_device->ReadSectors(sector.data(), s, 1));
    for (uint64_t s = 0; s < 300; s += 50) ASSERT_TRUE(m_device->ReadSectors(sector.data(), s, 1));
    EXPECT_EQ(m_device->GetDecodedBlockCount(), before + 2); // both blocks stay cached
}

TEST(ImageDeviceCache, KeepsTheMostRecentlyUsedBlocks)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "c.kxi").string();
    auto source = MakeSource(256 * 6, 512);
    ASSERT_EQ(WriteImage(*source, path, ImageSettings{}), 1);
    CImageFileDeviceWithDecompress device(path);
    std::vector<uint8_t> sector(512);
    auto read = [&](uint64_t block) { ASSERT_TRUE(device.ReadSectors(sector.data(), block * 256 + 3, 1)); };
    for (uint64_t b : {0, 1, 2, 3}) read(b);
    EXPECT_EQ(device.GetDecodedBlockCount(), 4u);
    read(0); // refreshes block 0
    read(4); // evicts block 1, the least recently used
    read(0);
    read(2);
    EXPECT_EQ(device.GetDecodedBlockCount(), 5u);
    read(1);
    EXPECT_EQ(device.GetDecodedBlockCount(), 6u);
}

TEST(ImageDeviceThreads, ConcurrentReadsSeeTheirOwnSectors)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "t.kxi").string();
    auto source = MakeSource(256 * 8 + 17, 512);
    ImageSettings settings;
    settings.sliceLimit = 600; // several slices, so readers switch between slice files
    ASSERT_EQ(WriteImage(*source, path, settings), 1);
    CImageFileDeviceWithDecompress device(path);
    ASSERT_TRUE(device.CheckSlices());
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 gen(t);
            std::vector<uint8_t> buffer(40 * 512);
            for (int i = 0; i < 200; ++i) {
                const uint64_t first = gen() % (256 * 8);
                const uint64_t count = 1 + gen() % 40;
                const bool ok = device.ReadSectors(buffer.data(), first, count);
                const uint64_t have = std::min<uint64_t>(count, source->GetSectorCount() - first);
                if (!ok || std::memcmp(buffer.data(), source->Sector(first), have * 512) != 0) ++mismatches;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(mismatches.load(), 0);
}

} // namespace
