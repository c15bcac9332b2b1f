// Header sizes of compound documents and of the two older word-processor formats.
#include "raw/FileLowDocAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <array>

namespace {

constexpr uint64_t kSector = 512;

} // namespace

uint64_t GetLowDocHeaderSize(std::span<const uint8_t> header)
{
    bytes::ByteReader r(header);
    static constexpr std::array<uint8_t, 4> kCompound = {0xD0, 0xCF, 0x11, 0xE0};
    static constexpr std::array<uint8_t, 4> kWord1 = {0xDB, 0xA5, 0x2D, 0x00};
    static constexpr std::array<uint8_t, 4> kWord2 = {0x94, 0xA6, 0x2E, 0x00};
    if (r.matches(0, kCompound)) {
        const uint64_t size = (uint64_t(r.u32le(48)) + 5) * kSector;
        return r ? size : 0;
    }
    if (r.matches(0, kWord1) || r.matches(0, kWord2)) {
        const uint64_t stated = uint64_t(r.u32le(292)) + r.u16le(296);
        return r ? (stated + kSector - 1) / kSector * kSector : 0;
    }
    return 0;
}

int FileLowDocAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    if (!MatchRawSignature(RawSignature::LowDoc, sector, hit)) return 0;
    if (hit != nullptr && hit->GetSize() == 0)
        hit->SetSize(
            std::min(GetLowDocHeaderSize(std::span<const uint8_t>(sector, kRawMatchBytes)), GetRawMaxFileSize()));
    return 1;
}

int FileLowDocAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [](RawWalk& walk) {
        std::array<uint8_t, kRawMatchBytes> header{};
        if (!walk.Reader().Read(0, header.data(), header.size())) return 0;
        const uint64_t size = GetLowDocHeaderSize(header);
        if (size == 0) return 0;
        walk.Hit()->SetFileType(RawType::kDOC);
        walk.Hit()->SetSize(size);
        return 1;
    });
}
