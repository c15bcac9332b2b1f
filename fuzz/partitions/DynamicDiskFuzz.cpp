// fuzz-target: salvix_devices
// The dynamic-disk test over a 1 GiB disk whose pages the input lists (see PagedFuzzDevice): the MBR and its
// extended chain or the GPT partition names; and the database header (PRIVHEAD) test and byte swaps on the
// disk's sector 6.
#include "core/devices/DynamicDisk.h"
#include "fuzz/common/PagedFuzzDevice.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 22) return -1;
    volatile uint64_t sink = 0;
    for (int32_t sectorSize : {512, 4096}) {
        const uint64_t sectors = (1ull << 30) / uint64_t(sectorSize);
        fuzz::PagedFuzzDevice device({data, size}, sectorSize, sectors);
        sink = sink + IsDynamicDisk(&device, sectors, sectorSize);
    }
    fuzz::PagedFuzzDevice device({data, size}, 512, 1 << 21);
    std::vector<uint8_t> privHead = device.BytesAt(6 * 512, 512);
    sink = sink + CheckPrivHeadSignature(privHead) + CheckPrivHead(privHead);
    SwapPrivHeadFields(privHead);
    sink = sink + ReverseBytes(privHead.data(), privHead.size()) + privHead[0];
    (void)sink;
    return 0;
}
