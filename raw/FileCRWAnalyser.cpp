// The CRW measurement: a search for the image description record from byte 16 of the file.
#include "raw/FileCRWAnalyser.h"

#include "core/bytes/ByteReader.h"
#include "raw/RawWalk.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr char kDescription[] = "High definition CCD image";
constexpr size_t kDescriptionLength = sizeof kDescription - 1;
constexpr uint64_t kSearchFrom = 16;

} // namespace

bool IsCrwDescriptionRecord(std::span<const uint8_t> bytes)
{
    bytes::ByteReader r(bytes);
    return r.has(0, kCrwRecordBytes) && r.matches(0, kDescription) && r.matches(32, "CRW:High definition CCD image") &&
           r.matches(122, "Canon") && r.matches(128, "Canon PowerShot");
}

int FileCRWAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    return MatchRawSignature(RawSignature::CRW, sector, hit);
}

int FileCRWAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [](RawWalk& walk) {
        RawSectorReader& reader = walk.Reader();
        const uint64_t sectorSize = reader.GetSectorSize();
        std::array<uint8_t, kCrwRecordBytes> record{};
        uint64_t at = kSearchFrom;
        while (at <= kCrwSearchBound) {
            walk.Step();
            const std::span<const uint8_t> bytes = reader.GetSpan(at);
            // The record must be readable whole wherever it may start: a device that ends first fails the search.
            if (bytes.size() < kCrwRecordBytes) {
                if (!reader.Read(at, record.data(), record.size())) return 0;
                if (IsCrwDescriptionRecord(record)) break;
                ++at;
                continue;
            }
            const size_t scan =
                static_cast<size_t>(std::min<uint64_t>(bytes.size() - kCrwRecordBytes + 1, kCrwSearchBound - at + 1));
            const auto* found = static_cast<const uint8_t*>(
                memmem(bytes.data(), scan + kDescriptionLength - 1, kDescription, kDescriptionLength));
            if (found == nullptr) {
                at += scan;
                continue;
            }
            const uint64_t candidate = at + static_cast<uint64_t>(found - bytes.data());
            if (IsCrwDescriptionRecord(bytes.subspan(static_cast<size_t>(found - bytes.data())))) {
                at = candidate;
                break;
            }
            at = candidate + 1;
        }
        if (at > kCrwSearchBound) {
            walk.Hit()->SetSize(kCrwSearchBound);
            return 1;
        }
        // The file reaches at least to the end of the sector that holds the record's last byte.
        const uint64_t end = at + kCrwRecordBytes;
        walk.Hit()->SetSize((end + sectorSize - 1) / sectorSize * sectorSize);
        return 1;
    });
}
