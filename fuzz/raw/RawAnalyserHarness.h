// The three ways the signature analysers' fuzz targets drive an analyser, shared so that each target only adds its
// own pure decoders and, where it writes one, its format's signature: the input as a plain device, a device whose
// geometry and options the input chooses, and the structure walk over the input's bytes.
#pragma once

#include "core/CRecoverySettings.h"
#include "filesystems/tree/CRawFileInfo.h"
#include "fuzz/common/FuzzDevice.h"
#include "fuzz/common/FuzzInput.h"
#include "raw/IRawFileAnalyser.h"
#include "raw/RawWalk.h"
#include "raw/SpanWalk.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace fuzz {

// Larger inputs add nothing a walk could not reach in a smaller one and only slow the run down.
inline constexpr size_t kMaxRawInput = size_t(1) << 20;

// The first 512 bytes of the input as the sector a signature test sees, zero-padded.
inline void CopyFirstSector(std::span<const uint8_t> input, uint8_t (&sector)[512])
{
    std::memset(sector, 0, sizeof sector);
    std::memcpy(sector, input.data(), std::min(input.size(), sizeof sector));
}

// The input as a device of 512-byte sectors (the last one padded with zeros): the signature test on its first
// sector, then the measurement from sector 0, which must stay on the device.
inline void MatchAndAnalyseInput(IRawFileAnalyser& analyser, std::span<const uint8_t> input)
{
    FuzzDevice device(input, 512);
    uint8_t sector[512];
    CopyFirstSector(input, sector);
    CRawFileInfo hit;
    analyser.IsMatch(sector, &hit);
    hit.SetSize(0);
    analyser.Analyse(&hit, &device);
    if (hit.GetSize() > device.GetSectorCount() * 512) __builtin_trap();
}

// A device the input describes: its first bytes choose the sector size, the hit's start sector, the maximal RAW
// file size, sectors of zeros after the bytes and whether the format's signature is written over the start.
struct RawDeviceCase {
    int32_t sectorSize = 512;
    uint64_t start = 0;
    uint64_t maxSize = 0;
    uint64_t extraSectors = 0;
    bool signature = false;
    std::span<const uint8_t> rest; // the device's bytes, before any signature is written
};

inline RawDeviceCase ReadRawDeviceCase(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    RawDeviceCase c;
    c.sectorSize = input.Bool() ? 4096 : 512;
    c.start = input.U8() % 4;
    c.maxSize = input.Bool() ? 1 + input.U32() % 1000000 : CRecoverySettings::kDefaultMaxRawFileSize;
    c.extraSectors = input.U8() % 8;
    c.signature = input.Bool();
    c.rest = input.Rest();
    return c;
}

// Measures the case's start sector with the case's option, the signature (when the case asks for it) written
// signatureOffset bytes into the start sector. The size must stay within the option and the device, and a
// failed measurement sets none. Returns the hit for checks of the texts an analyser sets.
inline CRawFileInfo AnalyseRawDeviceCase(IRawFileAnalyser& analyser, const RawDeviceCase& c,
                                         std::span<const uint8_t> signature, size_t signatureOffset = 0)
{
    std::vector<uint8_t> bytes(c.rest.begin(), c.rest.end());
    const size_t at = size_t(c.start) * size_t(c.sectorSize) + signatureOffset;
    if (c.signature) {
        bytes.resize(std::max(bytes.size(), at + signature.size()), 0);
        std::memcpy(bytes.data() + at, signature.data(), signature.size());
    }
    FuzzDevice device(bytes, c.sectorSize, (bytes.size() + c.sectorSize - 1) / c.sectorSize + c.extraSectors);
    GetRecoverySettings()->m_maxRawFileSize = c.maxSize;
    const uint64_t limit = std::min(c.maxSize, GetRawBytesToDeviceEnd(&device, c.start));

    CRawFileInfo hit;
    hit.SetStartSector(c.start);
    const int result = analyser.Analyse(&hit, &device);
    if (hit.GetSize() > limit || (result == 0 && hit.GetSize() != 0)) std::abort();

    GetRecoverySettings()->m_maxRawFileSize = CRecoverySettings::kDefaultMaxRawFileSize;
    return hit;
}

// The analyser's structure walk over the input as the file's bytes, with the option's bound and with a bound
// inside the input; then the signature test on the input's first sector.
template <class Analyser>
void WalkAndMatchInput(std::span<const uint8_t> input)
{
    MemorySpanSource source(input);
    volatile uint64_t sink = 0;
    for (uint64_t bound : {uint64_t(50000000), uint64_t(input.size() / 2)}) {
        SpanWalkLimits limits;
        limits.maxFileSize = bound;
        limits.deviceBytes = input.size();
        const SpanWalkResult r = Analyser::Walk(source, limits);
        sink = sink + r.size + uint64_t(r.ok);
    }
    uint8_t sector[512];
    CopyFirstSector(input, sector);
    CRawFileInfo hit;
    Analyser analyser;
    sink = sink + uint64_t(analyser.IsMatch(sector, &hit));
    (void)sink;
}

} // namespace fuzz
