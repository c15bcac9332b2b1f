// Header-sized analysers: the size comes from one header field, read from the sector or again from the device.
#include "raw/RawHeaderAnalyser.h"

#include "raw/RawWalk.h"

#include <algorithm>
#include <array>
#include <cstring>

int RawHeaderAnalyser::IsMatch(const uint8_t* sector, CRawFileInfo* hit)
{
    return MatchRawSignature(m_signature, sector, hit);
}

int RawHeaderAnalyser::Analyse(CRawFileInfo* hit, IStorageDevice* device)
{
    return RunRawWalk(hit, device, [this](RawWalk& walk) {
        const std::span<const uint8_t> head = walk.Reader().GetSpan(0);
        if (head.empty()) return 0;
        // A device of small sectors, or one that ends within the header: the missing bytes read as zeros.
        std::array<uint8_t, kRawMatchBytes> sector{};
        std::memcpy(sector.data(), head.data(), std::min(head.size(), sector.size()));
        RawSignatureMatch found;
        if (!DecodeRawSignature(m_signature, sector, found)) return 0;
        walk.Hit()->SetFileType(found.type);
        walk.Hit()->SetSize(found.size);
        return found.size != 0 ? 1 : 0;
    });
}
