// Reading a striped volume: stripe unit k of the volume lies on column k mod n, row k / n.
#include "filesystems/partitions/CStripedVolumeDevice.h"

#include <algorithm>

bool CStripedVolumeDevice::ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count)
{
    const uint64_t n = m_members.size();
    if (n == 0) return false;
    const uint64_t sectorSize = uint64_t(GetSectorSize());
    const uint64_t stripe = uint64_t(GetStripeSize());
    uint64_t pos = first, rest = count;
    bool ok = true;
    while (rest > 0) {
        const uint64_t row = pos / (stripe * n);
        const uint64_t column = (pos / stripe) % n;
        const uint64_t within = pos % stripe;
        const uint64_t piece = std::min(stripe - within, rest);
        if (!ReadMember(m_members[column], row * stripe + within, buffer, piece)) {
            LogMemberFailure("Striped", column, pos);
            ok = false;
        }
        buffer += piece * sectorSize;
        pos += piece;
        rest -= piece;
    }
    return ok;
}
