// fuzz-target: salvix_fat
// A whole FAT volume: the input lists pages of a 64 MiB volume (see PagedFuzzDevice); the tree is built as for a
// volume known to the machine, with the FAT12/16 and then the FAT32 boot sectors.
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/tree/FileTree.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 22) return -1;
    fuzz::PagedFuzzDevice device({data, size}, 512, 131072);
    for (bool fat32 : {false, true}) {
        if (CFileSystemNode* tree = BuildFAT(&device, fat32, true, nullptr)) DeleteFoundTree(tree);
    }
    return 0;
}
