// The signature scan over consecutive blocks: hits into the list, measuring from the ring just before a
// block leaves it, a read gap, an empty type selection and the scan ids.
#include "raw/CRAWSearchController.h"

#include "core/CRecoverySettings.h"
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/tree/CRawFileList.h"
#include "raw/RawAnalyserList.h"
#include "tests/support/RawImageComposer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class OptionsGuard {
public:
    OptionsGuard() : m_saved(*GetRecoverySettings()) {}
    ~OptionsGuard() { *GetRecoverySettings() = m_saved; }

private:
    CRecoverySettings m_saved;
};

constexpr int kBlock = 8;

struct Scan {
    CRawFileList hits;
    CRAWSearchController controller;
    CIntelligentSearchStatistics statistics;

    explicit Scan(IStorageDevice* device)
    {
        controller.SetDevice(device);
        controller.SetBlockSectors(kBlock);
        controller.SetRawFileList(&hits);
        controller.BeginSearch();
    }
    void Blocks(uint64_t from, uint64_t to)
    {
        for (uint64_t b = from; b < to; ++b) controller.AnalyzeBlock(b * kBlock, kBlock, &statistics);
    }
};

} // namespace

TEST(RawSearchController, MeasuresHitsFromTheRingBeforeTheirBlockLeaves)
{
    OptionsGuard guard;
    GetRecoverySettings()->m_rawTypeIds = {28, 9, 28};
    const auto gif = testsupport::ReadRawFixture("graphics", "circle.gif");
    const auto bmp = testsupport::ReadRawFixture("header", "bitmap-info.bmp");
    ASSERT_FALSE(gif.empty());
    ASSERT_FALSE(bmp.empty());
    testsupport::RawImageComposer disk(40 * kBlock);
    disk.Place(1, gif, 28);
    disk.Place(kBlock + 2, gif, 28);
    disk.Place(2 * kBlock, bmp, 9);
    auto device = disk.MakeDevice();

    Scan scan(device.get());
    EXPECT_EQ(scan.controller.GetKind(), 2);
    scan.Blocks(0, 20);
    ASSERT_EQ(scan.hits.GetCount(), 3u);
    EXPECT_EQ(scan.statistics.FilesIdentified, 3);
    EXPECT_EQ(scan.statistics.TotalFilesFound, 3);
    // The bitmap's header gave its size: it never waits.
    EXPECT_EQ(scan.hits.FindByStartSector(2 * kBlock)->GetSize(), bmp.size());
    EXPECT_EQ(scan.controller.GetWaitingCount(), 2u);
    EXPECT_EQ(scan.hits.FindByStartSector(1)->GetSize(), 0u);

    // The 21st block: exactly the hits of the first block are measured, served by the ring.
    device->ResetCounters();
    scan.Blocks(20, 21);
    EXPECT_EQ(scan.hits.FindByStartSector(1)->GetSize(), gif.size());
    EXPECT_EQ(scan.hits.FindByStartSector(kBlock + 2)->GetSize(), 0u);
    EXPECT_EQ(scan.controller.GetWaitingCount(), 1u);
    EXPECT_EQ(device->ReadCount(), 1u); // the block itself

    scan.controller.EndSearch();
    EXPECT_EQ(scan.controller.GetWaitingCount(), 0u);
    EXPECT_EQ(scan.hits.FindByStartSector(kBlock + 2)->GetSize(), 0u);
    EXPECT_EQ(scan.hits.FindByStartSector(kBlock + 2)->GetAnalyserType(), 28);
}

TEST(RawSearchController, TheListMeasuresTheHitsLeftWaitingAlsoInAProcessThatNeverScanned)
{
    // The hits still in the ring at the end keep size 0; the list carries the scanner's measurer, which trees
    // built later (also from a restored state, before any scan of the process) measure them with.
    OptionsGuard guard;
    GetRecoverySettings()->m_rawTypeIds = {28};
    const auto gif = testsupport::ReadRawFixture("graphics", "circle.gif");
    ASSERT_FALSE(gif.empty());
    testsupport::RawImageComposer disk(4 * kBlock);
    disk.Place(kBlock + 2, gif, 28);
    auto device = disk.MakeDevice();
    Scan scan(device.get());
    scan.Blocks(0, 4);
    scan.controller.EndSearch();
    CRawFileInfo* hit = scan.hits.FindByStartSector(kBlock + 2);
    ASSERT_NE(hit, nullptr);
    ASSERT_EQ(hit->GetSize(), 0u);
    ASSERT_NE(scan.hits.GetMeasurer(), nullptr);
    for (bool fresh : {false, true}) {
        if (fresh) GetRawAnalyserList().Clear();
        uint64_t size = 0;
        std::string prefix, extra;
        EXPECT_TRUE(scan.hits.GetMeasurer()->Measure(hit, device.get(), size, prefix, extra)) << fresh;
        EXPECT_EQ(size, gif.size()) << fresh;
        EXPECT_EQ(hit->GetSize(), 0u);
    }
}

TEST(RawSearchController, AGapMeasuresTheWaitingHitsAndZeroBlocksGiveNothing)
{
    OptionsGuard guard;
    GetRecoverySettings()->m_rawTypeIds = {28};
    const auto gif = testsupport::ReadRawFixture("graphics", "circle.gif");
    testsupport::RawImageComposer disk(30 * kBlock);
    disk.Place(kBlock, gif, 28);
    auto device = disk.MakeDevice();
    // Far enough behind the file that its reader's blocks do not touch it.
    device->FailSector(19 * kBlock);

    Scan scan(device.get());
    scan.Blocks(0, 1);
    EXPECT_EQ(scan.hits.GetCount(), 0u);
    scan.Blocks(1, 20); // block 19 cannot be read
    EXPECT_EQ(scan.controller.GetWaitingCount(), 1u);
    scan.Blocks(20, 21); // after the gap the ring starts again; the hit before it is measured first
    EXPECT_EQ(scan.controller.GetWaitingCount(), 0u);
    EXPECT_EQ(scan.hits.FindByStartSector(kBlock)->GetSize(), gif.size());
    scan.controller.EndSearch();

    // No type selected: nothing is read.
    GetRecoverySettings()->m_rawTypeIds.clear();
    Scan none(device.get());
    device->ResetCounters();
    none.Blocks(0, 5);
    EXPECT_EQ(device->ReadCount(), 0u);
    EXPECT_EQ(none.hits.GetCount(), 0u);
}

TEST(RawSearchController, ScanIdsKeepOneCustomAnalyser)
{
    EXPECT_EQ(RawScanTypeIds({33, 1000, 9, 1001, 33, 0, -4, 9}), (std::vector<int>{33, 1000, 9}));
    EXPECT_EQ(RawScanTypeIds({}), std::vector<int>{});
}

// A tar archive's member headers lie on sector boundaries and match the tar signature themselves: they are part of
// the archive measured first, not files of their own, whether the archive is measured from the ring during the
// scan or when the scan ends. A tar after the archive is a file again.
TEST(RawSearchController, HitsInsideAMeasuredContainerLeaveTheList)
{
    OptionsGuard guard;
    GetRecoverySettings()->m_rawTypeIds = {59, 28};
    auto header = [](const char* name, uint64_t size) {
        std::vector<uint8_t> h(512, 0);
        std::copy(name, name + std::strlen(name), h.begin());
        std::snprintf(reinterpret_cast<char*>(h.data()) + 124, 12, "%011llo", static_cast<unsigned long long>(size));
        std::memcpy(h.data() + 257, "ustar", 5);
        return h;
    };
    std::vector<uint8_t> tar;
    for (const char* name : {"a", "b", "c"}) {
        const std::vector<uint8_t> h = header(name, 700);
        tar.insert(tar.end(), h.begin(), h.end());
        tar.resize(tar.size() + 1024, 0x41);
    }
    tar.resize(tar.size() + 1024, 0); // the two end blocks
    const auto gif = testsupport::ReadRawFixture("graphics", "circle.gif");

    for (const uint64_t blocks : {uint64_t(40), uint64_t(10)}) {
        SCOPED_TRACE(blocks); // 40: measured from the ring during the scan; 10: when it ends
        testsupport::RawImageComposer disk(blocks * kBlock, 512, testsupport::RawImageComposer::Filler::Random, 7);
        disk.Place(3, tar, 59);
        disk.Place(3 + tar.size() / 512, gif, 28); // another kind's file right after the archive
        disk.Place(40, tar, 59);
        auto device = disk.MakeDevice();
        Scan scan(device.get());
        scan.Blocks(0, blocks);
        if (blocks == 10) {
            EXPECT_EQ(scan.hits.GetCount(), 7u); // two archives of three headers, and the picture
        }
        scan.controller.EndSearch();
        ASSERT_EQ(scan.hits.GetCount(), 3u);
        ASSERT_NE(scan.hits.FindByStartSector(3), nullptr);
        EXPECT_EQ(scan.hits.FindByStartSector(3)->GetSize(), tar.size());
        EXPECT_NE(scan.hits.FindByStartSector(3 + tar.size() / 512), nullptr);
        ASSERT_NE(scan.hits.FindByStartSector(40), nullptr);
        EXPECT_EQ(scan.hits.FindByStartSector(40)->GetSize(), tar.size());
        EXPECT_EQ(scan.hits.FindByStartSector(6), nullptr);
    }
}

TEST(RawSearchController, ARingShorterThanTheFilesStillMeasuresThemFromTheDevice)
{
    OptionsGuard guard;
    GetRecoverySettings()->m_rawTypeIds = {47, 50};
    const auto png = testsupport::ReadRawFixture("graphics", "plasma.png");
    const auto psd = testsupport::ReadRawFixture("graphics", "raw.psd");
    ASSERT_GT(png.size(), size_t(kBlock) * 512);
    ASSERT_GT(psd.size(), size_t(3 * kBlock) * 512);
    testsupport::RawImageComposer disk(12 * kBlock, 512, testsupport::RawImageComposer::Filler::Random);
    disk.Place(3, png, 47);
    disk.Place(2 * kBlock + 5, psd, 50);
    auto device = disk.MakeDevice();

    // The blocks read by the scanner itself, or given to it as the intelligent search does.
    for (const bool given : {false, true}) {
        CRawFileList hits;
        CRAWSearchController controller;
        CIntelligentSearchStatistics statistics;
        controller.SetDevice(device.get());
        controller.SetBlockSectors(kBlock);
        controller.SetRawFileList(&hits);
        controller.SetRingChunks(1);
        controller.BeginSearch();
        device->ResetCounters();
        std::vector<uint8_t> block(size_t(kBlock) * 512);
        for (uint64_t b = 0; b < 12; ++b) {
            if (!given) {
                controller.AnalyzeBlock(b * kBlock, kBlock, &statistics);
                continue;
            }
            ASSERT_TRUE(device->ReadSectors(block.data(), b * kBlock, kBlock));
            controller.AnalyzeBlockBytes(b * kBlock, kBlock, block, &statistics);
        }
        // Besides the twelve blocks, the device served the parts of the files the one-block ring no longer held.
        EXPECT_GT(device->ReadCount(), 12u) << given;
        controller.EndSearch();
        ASSERT_NE(hits.FindByStartSector(3), nullptr) << given;
        ASSERT_NE(hits.FindByStartSector(2 * kBlock + 5), nullptr) << given;
        EXPECT_EQ(hits.FindByStartSector(3)->GetSize(), png.size()) << given;
        EXPECT_EQ(hits.FindByStartSector(2 * kBlock + 5)->GetSize(), psd.size()) << given;
    }
}
