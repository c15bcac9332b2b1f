// Times the NTFS tree build of an image: builds it the given number of times and prints, for the fastest
// round, the seconds, the $MFT record positions read, the records kept and the nodes of the tree.
// Usage: ntfs_tree_timing <image> [rounds]
#include "core/devices/CImageFileDevice.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/tree/FileTree.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <image> [rounds]\n", argv[0]);
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    CImageFileDevice device(argv[1]);
    if (!device.Open()) {
        std::fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    double best = 0;
    NTFSMftScanCounters counters;
    uint64_t nodes = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        CFileSystemNode* tree = BuildNTFS(&device, nullptr, nullptr, {}, &counters);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!tree) {
            std::fprintf(stderr, "%s: no NTFS tree\n", argv[1]);
            return 1;
        }
        nodes = 0;
        WalkFileTreeBreadthFirst(tree, [&](CFileNode*) { ++nodes; });
        DeleteFoundTree(tree);
        if (round == 0 || seconds < best) best = seconds;
    }
    std::printf("%.6f %llu %llu %llu\n", best, static_cast<unsigned long long>(counters.recordSlots),
                static_cast<unsigned long long>(counters.entries), static_cast<unsigned long long>(nodes));
    return 0;
}
