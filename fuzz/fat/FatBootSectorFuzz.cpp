// fuzz-target: salvix_fat
// A FAT volume from its first bytes: the boot sector's classification and geometry, the FAT-copy test, and the
// quick build of the whole tree over a 32 MiB device that holds the input and zeros after it.
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/fat/CFATTreeBuilder.h"
#include "filesystems/tree/FileTree.h"
#include "fuzz/common/FuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    const std::span<const uint8_t> sector(data, size < 512 ? size : 512);
    const CFATDBR dbr(sector, 512);
    volatile uint64_t sink = dbr.GetFATType() + dbr.GetSectorsPerCluster() + dbr.GetReservedSectors() +
                             dbr.GetReservedSectorCount() + dbr.GetNumberOfFATs() + dbr.GetRootEntryCount() +
                             dbr.GetSectorsPerFAT() + dbr.GetTotalSectors() + dbr.GetRootCluster() +
                             dbr.GetRootDirSectors();
    if (dbr.IsValid()) {
        const uint8_t spc = dbr.GetSectorsPerCluster();
        if (spc == 0 || (spc & (spc - 1)) != 0) __builtin_trap();
    }
    fuzz::FuzzDevice device({data, size}, 512, 65536);
    sink = sink + HasValidFATCopy(sector, 0, &device);

    CFATSearchedPartitionInfo partition(512);
    partition.u64StartSector = 0;
    partition.u64SectorsCount = device.GetSectorCount();
    partition.AddFlags(kFATFlagsAnyBoot | kFATFlagFoundFAT1 | kFATFlagUseFAT1 | kFATFlagFoundFAT2 | kFATFlagUseFAT2);
    if (CFileSystemNode* tree = FATQuickBuild(nullptr, &partition, &device, true)) DeleteFoundTree(tree);
    (void)sink;
    return 0;
}
