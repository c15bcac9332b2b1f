// fuzz-target: salvix_ntfs
// A whole NTFS volume: the input lists pages of a 64 MiB volume (see PagedFuzzDevice); the $MFT build finds the
// records through the boot sector and builds the tree with every record's properties.
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/CNTFSMftScanBuilder.h"
#include "filesystems/tree/FileTree.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 22) return -1;
    fuzz::PagedFuzzDevice device({data, size}, 512, 131072);
    if (CFileSystemNode* tree = BuildNTFS(&device, nullptr)) DeleteFoundTree(tree);
    return 0;
}
