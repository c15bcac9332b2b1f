// fuzz-target: salvix_fat
// The FAT scanner over a fuzz input taken as the start of a disk whose size the first four bytes state (up
// to 8 GiB): boot sectors, FAT starts and directory sectors become candidates, they are scored and handed
// over, the directory-sector set survives a save and a load, and the complete build runs on the first found
// partitions.
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "fuzz/common/FuzzDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4 || size > 1 << 20) return -1;
    uint32_t stated = 0;
    std::memcpy(&stated, data, 4);
    const uint64_t present = (size + 511) / 512;
    const uint64_t sectors = std::max<uint64_t>(present, stated & 0xFFFFFF);
    fuzz::FuzzDevice device(std::span<const uint8_t>(data, size), 512, sectors);

    CFATSearchController scan;
    scan.SetDevice(&device);
    scan.SetBlockSectors(8192);
    scan.BeginSearch();
    CIntelligentSearchStatistics statistics;
    scan.AnalyzeBlock(0, present, &statistics);
    scan.EndSearch();
    CSearchedPartitionList found;
    scan.GetSearchedPartitions(found);
    int index = 0;
    for (CSearchedPartitionInfo* p : found) {
        if (index < 2) {
            if (CFileSystemNode* tree = scan.BuildDirectoryTree(p, &device, index, nullptr)) DeleteFoundTree(tree);
        }
        ++index;
        DeleteSearchedPartitionInfo(p);
    }
    return 0;
}
