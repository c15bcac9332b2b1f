// fuzz-target: salvix_ntfs
// An NTFS base record's $ATTRIBUTE_LIST (resident, or read through its runs) and the extension records it
// names: the input's first 1024 bytes are the base record, the whole input is the device behind it.
#include "filesystems/ntfs/CNTFSFileRecordGroup.h"
#include "filesystems/ntfs/CNTFSRunList.h"
#include "filesystems/ntfs/NtfsAttributeList.h"
#include "filesystems/ntfs/NtfsMappingPairs.h"
#include "filesystems/ntfs/NtfsFilePropertiesBuilder.h"
#include "fuzz/common/FuzzDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    const std::span<const uint8_t> record(data, std::min<size_t>(size, 1024));
    fuzz::FuzzDevice device({data, size}, 512, 4096);
    volatile uint64_t sink = 0;
    for (uint32_t spc : {1u, 8u}) {
        const auto entries = ReadAttributeList(record, 0, spc, &device);
        sink = sink + entries.size();
        for (const CNTFSExtensionEntry& e : entries) sink = sink + uint64_t(e.sector);
    }
    // $MFT runs mapping record n to cluster n, so that every named record lands on the device.
    CNTFSRunList mftRuns;
    const uint8_t runs[] = {0x11, 0x40, 0x00, 0x00};
    DecodeRunList(runs, mftRuns);
    auto mapped = GetExtensionRecordSectors(record, 0, 2, 0, &device, mftRuns, 2);
    sink = sink + mapped.size();
    CNTFSFileRecordGroup group(record, 0, &device, &mapped);
    int64_t parent = -1;
    if (auto properties = BuildNTFSFileProperties(group, 0, 4096, &parent)) sink = sink + properties->GetSize();
    (void)sink;
    return 0;
}
