// fuzz-target: salvix_raw
// FileTARAnalyser on a fuzzed device: the first bytes choose the sector size, the hit's start sector, the maximal
// RAW file size and whether the format's signature is written over the start; then the header decoders on the raw
// bytes.
#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "fuzz/common/FuzzDevice.h"
#include "fuzz/common/FuzzInput.h"
#include "raw/ArchiveHeaders.h"
#include "raw/FileTARAnalyser.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20) return -1;
    fuzz::FuzzInput input(data, size);
    const int32_t sectorSize = input.Bool() ? 4096 : 512;
    const uint64_t start = input.U8() % 4;
    const uint64_t maxSize = input.Bool() ? 1 + input.U32() % 1000000 : CRecoverySettings::kDefaultMaxRawFileSize;
    const uint64_t extraSectors = input.U8() % 8;
    const bool signature = input.Bool();
    const std::span<const uint8_t> rest = input.Rest();
    // Eleven digits of at most 9 each, counted in base 8.
    if (ParseTarSize(rest) > 077777777777ull / 7 * 9) std::abort();
    (void)ClassifyTarHeader(rest);
    std::vector<uint8_t> bytes(rest.begin(), rest.end());
    static const uint8_t kSignature[] = {'u', 's', 't', 'a', 'r'};
    const size_t at = size_t(start) * size_t(sectorSize) + 257;
    if (signature) {
        bytes.resize(std::max(bytes.size(), at + sizeof kSignature), 0);
        std::memcpy(bytes.data() + at, kSignature, sizeof kSignature);
    }
    fuzz::FuzzDevice device(bytes, sectorSize, (bytes.size() + sectorSize - 1) / sectorSize + extraSectors);
    GetRecoverySettings()->m_maxRawFileSize = maxSize;
    const uint64_t limit = std::min(maxSize, GetRawBytesToDeviceEnd(&device, start));

    FileTARAnalyser analyser;
    CRawFileInfo hit;
    hit.SetStartSector(start);
    const int result = analyser.Analyse(&hit, &device);
    if (hit.GetSize() > limit || (result == 0 && hit.GetSize() != 0)) std::abort();

    GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize;
    return 0;
}
