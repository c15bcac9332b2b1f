// fuzz-target: salvix_ntfs
// The NTFS scanner over a device holding the input: the first byte picks the sector size and the block size
// (so boundaries fall everywhere), every sector is scanned, and the tree of each of the first found
// partitions is built from the scanned records; the saved state is read back as well.
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/tree/FileTree.h"
#include "fuzz/common/FuzzDevice.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 1 << 21) return -1;
    const uint8_t mode = data[0];
    const int32_t sectorSize = (mode & 0x80) ? 4096 : 512;
    const uint64_t blockSectors = 1 + (mode & 0x3F);
    fuzz::FuzzDevice device({data + 1, size - 1}, sectorSize);
    CNTFSSearchController scanner;
    scanner.SetDevice(&device);
    scanner.SetBlockSectors(int(blockSectors));
    scanner.BeginSearch();
    CIntelligentSearchStatistics statistics;
    const uint64_t total = device.GetSectorCount();
    for (uint64_t at = 0; at < total; at += blockSectors)
        scanner.AnalyzeBlock(at, total - at < blockSectors ? total - at : blockSectors, &statistics);
    scanner.EndSearch();
    CSearchedPartitionList partitions;
    scanner.GetSearchedPartitions(partitions);
    int built = 0;
    for (CSearchedPartitionInfo* p : partitions) {
        if (built++ < 4)
            if (CFileSystemNode* tree = scanner.BuildDirectoryTree(p, &device, 0, nullptr)) DeleteFoundTree(tree);
        delete p;
    }
    return 0;
}
