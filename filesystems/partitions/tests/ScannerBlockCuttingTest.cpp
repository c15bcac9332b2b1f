// The file-system scanners find the same partitions however the device is handed to them: read by each
// scanner itself, or given in place by the intelligent search's read-ahead, in 4 MiB blocks or in blocks of a
// few sectors that cut FILE records, superblocks and directory sectors apart.
#include "filesystems/partitions/CIntelligentSearchController.h"

#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/tree/CRawFileList.h"
#include "tests/support/FixtureManifests.h"
#include "tests/support/MemoryDevice.h"
#include "tests/support/MemoryRSData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace {

enum class Feed { Search, ReadBlocks, GivenBlocks };

// The scanners' findings in their stored form: each found partition (its process-wide id left out) and each
// scanner's saved state, in the scanners' order. blockSectors 0 cuts blocks of 1 to 40 sectors at random.
std::vector<std::vector<uint8_t>> Findings(testsupport::MemoryDevice& device, Feed feed, uint64_t blockSectors)
{
    std::mt19937 random(54);
    CRawFileList hits;
    std::vector<std::unique_ptr<IFileSystemSearchController>> scanners;
    scanners.push_back(std::make_unique<CFATSearchController>());
    scanners.push_back(std::make_unique<CNTFSSearchController>());
    scanners.push_back(std::make_unique<CEXT2SearchController>());
    const uint64_t sectors = device.GetSectorCount();
    if (feed == Feed::Search) {
        CIntelligentSearchController search;
        search.SetDevice(&device);
        search.SetStartSector(0);
        for (auto& s : scanners) {
            s->SetRawFileList(&hits);
            search.AddController(s.get());
        }
        search.Run(nullptr);
    } else {
        const size_t unit = size_t(device.GetSectorSize());
        std::vector<uint8_t> block;
        for (auto& s : scanners) {
            s->SetRawFileList(&hits);
            s->SetDevice(&device);
            s->SetBlockSectors(int(blockSectors));
            s->BeginSearch();
        }
        CIntelligentSearchStatistics statistics;
        for (uint64_t first = 0, count = 0; first < sectors; first += count) {
            count = std::min<uint64_t>(blockSectors ? blockSectors : random() % 40 + 1, sectors - first);
            if (feed == Feed::GivenBlocks) {
                block.resize(size_t(count) * unit);
                device.ReadSectors(block.data(), first, count);
            }
            for (auto& s : scanners) {
                if (feed == Feed::ReadBlocks)
                    s->AnalyzeBlock(first, count, &statistics);
                else
                    s->AnalyzeBlockBytes(first, count, block, &statistics);
            }
        }
        for (auto& s : scanners) s->EndSearch();
    }
    std::vector<std::vector<uint8_t>> out;
    for (auto& s : scanners) {
        CSearchedPartitionList found;
        s->GetSearchedPartitions(found);
        for (CSearchedPartitionInfo* p : found) {
            p->nId = 0;
            testsupport::MemoryRSData stream = testsupport::MemoryRSData::Writer();
            p->Save(&stream);
            out.push_back(stream.SectionBytes());
            DeleteSearchedPartitionInfo(p);
        }
        testsupport::MemoryRSData state = testsupport::MemoryRSData::Writer();
        s->SaveState(&state);
        out.push_back(state.SectionBytes());
    }
    return out;
}

} // namespace

TEST(ScannerBlockCutting, SamePartitionsReadInPlaceOrInAnyBlocks)
{
    // A FAT32 volume formatted over as NTFS (both file systems' traces), an ext2 volume formatted over as FAT32,
    // a small NTFS and an ext3 volume.
    for (const char* name : {"format-fat32-as-ntfs", "format-ext2-as-fat32", "ntfs_small", "ext3-1k"}) {
        std::vector<uint8_t> image = testsupport::LoadFixtureImage(name);
        ASSERT_FALSE(image.empty()) << name;
        testsupport::MemoryDevice device(std::move(image));
        const auto expected = Findings(device, Feed::ReadBlocks, 8192);
        ASSERT_GT(expected.size(), 3u) << name << ": nothing was found";
        EXPECT_EQ(Findings(device, Feed::Search, 0), expected) << name;
        for (uint64_t blockSectors : {8192u, 37u, 11u, 7u, 1u, 0u})
            EXPECT_EQ(Findings(device, Feed::GivenBlocks, blockSectors), expected) << name << ", " << blockSectors;
    }
}
