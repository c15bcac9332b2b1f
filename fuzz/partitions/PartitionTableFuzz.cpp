// fuzz-target: salvix_partitions
// Partition tables of a 1 GiB disk whose pages the input lists (see PagedFuzzDevice): the MBR with its chain
// of extended boot records, or the GPT behind a protective MBR, with the sizes the file systems at the entries
// state; then the same disk on 4096-byte sectors.
#include "filesystems/partitions/CBasicPartitionInfo.h"
#include "filesystems/partitions/CPartitionTableAnalyze.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 22) return -1;
    volatile uint64_t sink = 0;
    for (int32_t sectorSize : {512, 4096}) {
        fuzz::PagedFuzzDevice device({data, size}, sectorSize, (1ull << 30) / uint64_t(sectorSize));
        CBasicPartitionList list;
        CPartitionTableAnalyze analyze;
        sink = sink + uint64_t(analyze.ReadPartitions(&device, list));
        for (const CBasicPartitionInfo& p : list)
            sink = sink + p.u64StartSector + p.u64SectorCount + uint64_t(p.nFileSystemKind);
    }
    (void)sink;
    return 0;
}
