// fuzz-target: salvix_ext2
// The ext2 scanner over a 16 MiB device whose pages the input lists (see PagedFuzzDevice): every sector fed in
// blocks of 1000, the found partitions scored, stored and read back, and the tree of the first ones built.
#include "filesystems/common/CIntelligentSearchStatistics.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/ext2/CExt2SearchedPartitionInfo.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 22) return -1;
    constexpr uint64_t kSectors = 32768;
    constexpr uint64_t kBlock = 1000;
    fuzz::PagedFuzzDevice device({data, size}, 512, kSectors);
    CEXT2SearchController scanner;
    scanner.SetDevice(&device);
    scanner.SetBlockSectors(int(kBlock));
    scanner.BeginSearch();
    CIntelligentSearchStatistics statistics;
    for (uint64_t first = 0; first < kSectors; first += kBlock)
        scanner.AnalyzeBlock(first, kBlock < kSectors - first ? kBlock : kSectors - first, &statistics);
    scanner.EndSearch();
    CSearchedPartitionList found;
    scanner.GetSearchedPartitions(found);
    volatile uint64_t sink = 0;
    int built = 0;
    for (CSearchedPartitionInfo* p : found) {
        sink = sink + p->u64StartSector + p->u64SectorsCount + p->u64EvidenceScore;
        if (built++ < 2) {
            if (CFileSystemNode* tree = scanner.BuildDirectoryTree(p, &device, built, nullptr)) DeleteFoundTree(tree);
            auto* ext2 = static_cast<CExt2SearchedPartitionInfo*>(p);
            CExt2SearchedPartitionInfo reloaded;
            reloaded.u64DataAreaStartSector = ext2->u64DataAreaStartSector;
            reloaded.m_descriptorSector = ext2->m_descriptorSector;
            sink = sink + reloaded.ReloadFromDevice(&device);
        }
        delete p;
    }
    (void)sink;
    return 0;
}
