// fuzz-target: salvix_ntfs
// NTFS mapping pairs (run lists): the NTFS decoder, its validity test and length, reads of non-resident data
// through the runs, and the tree's shared decoder of the same bytes.
#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/tree/DataRunLists.h"
#include "filesystems/tree/MappingPairs.h"
#include "fuzz/common/FuzzDevice.h"
#include "fuzz/common/FuzzInput.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput in(data, size);
    const uint32_t sectorsPerCluster = 1u << (in.U8() % 8);
    const uint64_t partitionStart = in.U8() % 16;
    const size_t bufferSectors = in.U8() % 9;
    const std::span<const uint8_t> pairs = in.Rest();

    CNTFSRunList list;
    const size_t runs = DecodeRunList(pairs, list);
    if (runs > pairs.size()) __builtin_trap(); // every run takes at least one byte
    volatile uint64_t sink = runs + IsValidRunList(pairs) + GetMappingPairsLength(pairs);
    for (uint64_t vcn : {0ull, 1ull, 7ull, 100ull, ~0ull}) sink = sink + uint64_t(list.VcnToLcn(vcn));
    sink = sink + uint64_t(list.LcnToVcn(0)) + uint64_t(list.LcnToVcn(100));

    static const std::vector<uint8_t> disk(64 * 512, 0x5A);
    fuzz::FuzzDevice device(disk, 512);
    std::vector<uint8_t> buffer(bufferSectors * 512);
    sink = sink + ReadNonResidentData(pairs, buffer, partitionStart, sectorsPerCluster, &device);

    std::vector<DataRun> shared;
    sink = sink + DecodeMappingPairs(pairs.data(), pairs.size(), shared) + shared.size();
    CNoneResidentNTFSDataRunList nonResident;
    sink = sink + nonResident.ParseMappingPairs(pairs.data(), pairs.size()) + nonResident.GetRunCount();
    (void)sink;
    return 0;
}
