// fuzz-target: salvix_fat
// FAT12, FAT16 and FAT32 table copies decoded from bytes: the signatures, the trust test (entries, shared
// clusters, loops) and every next-cluster lookup. The first input byte chooses the width.
#include "filesystems/fat/FATTables.h"
#include "fuzz/common/FuzzInput.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    fuzz::FuzzInput in(data, size);
    const unsigned width = in.U8() % 3;
    const int media = int(in.U8()) - 1; // -1: no boot sector
    const std::span<const uint8_t> bytes = in.Rest();
    volatile uint64_t sink = IsFAT32TableStart(bytes, media) + IsFAT16TableStart(bytes, media) +
                             IsFAT16or32TableStart(bytes) + IsFAT12TableStart(bytes, media) +
                             IsFATTableStart(bytes, int(width), media);
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    std::unique_ptr<IRealFATTable> table;
    if (width == 0)
        table = std::make_unique<CFAT12Table>(std::move(copy), 512);
    else if (width == 1)
        table = std::make_unique<CFAT16Table>(std::move(copy), 512);
    else
        table = std::make_unique<CFAT32Table>(std::move(copy), 512);
    sink = sink + table->IsValid() + table->IsLoaded();
    const uint32_t n = table->GetEntryCount();
    // Every entry, then each chain from its start, as far as the count allows (a loop would go on for ever).
    for (uint32_t c = 0; c < n + 2 && c < 1u << 20; ++c) sink = sink + table->GetNextCluster(c);
    for (uint32_t c = 2, steps = 0; c < n && steps < (1u << 16); ++c) {
        for (uint32_t v = table->GetNextCluster(c), k = 0; v >= 2 && v < n && k < 64; v = table->GetNextCluster(v), ++k)
            ++steps;
    }
    sink = sink + table->GetNextCluster(0xFFFFFFFFu) + table->GetNextCluster(0x0FFFFFF7u);
    (void)sink;
    return 0;
}
