// fuzz-target: salvix_raw
// The block reader over a fuzzed device of any size: every span it gives lies inside the device and holds the
// device's bytes; reads past the end give nothing.
#include "fuzz/common/FuzzDevice.h"
#include "fuzz/common/FuzzInput.h"
#include "raw/RawSectorReader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::FuzzInput input(data, size);
    const int32_t sectorSize = 512 << (input.U8() % 4);
    const uint64_t sectors = 1 + input.U16() % 700;
    const uint64_t start = input.U16() % 800;
    std::vector<uint64_t> offsets;
    for (int i = 0; i < 8; ++i) offsets.push_back(input.Bool() ? input.Take(8) : input.U32() % (1u << 20));
    const std::span<const uint8_t> bytes = input.Rest();
    fuzz::FuzzDevice device(bytes, sectorSize, sectors);
    const uint64_t deviceBytes = sectors * uint64_t(sectorSize);

    RawSectorReader reader(&device, start);
    for (uint64_t offset : offsets) {
        const std::span<const uint8_t> span = reader.GetSpan(offset);
        const uint64_t at = start * uint64_t(sectorSize) + offset;
        if (span.empty()) continue;
        if (offset >= reader.GetBytesToDeviceEnd() || at < offset || span.size() > deviceBytes - at) std::abort();
        const uint8_t expected = at < bytes.size() ? bytes[size_t(at)] : 0;
        if (span[0] != expected ||
            span[span.size() - 1] != (at + span.size() - 1 < bytes.size() ? bytes[size_t(at + span.size() - 1)] : 0))
            std::abort();
        uint8_t copy[700];
        const size_t n = 1 + offset % sizeof(copy);
        if (reader.Read(offset, copy, n) && std::memcmp(copy, span.data(), std::min(n, span.size())) != 0) std::abort();
    }
    return 0;
}
