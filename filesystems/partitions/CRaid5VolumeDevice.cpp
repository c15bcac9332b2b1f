// Reading a RAID-5 volume: each row holds n - 1 data units and one parity unit, the parity moving one column
// to the left per row; a unit that cannot be read is the XOR of the same unit of every other column.
#include "filesystems/partitions/CRaid5VolumeDevice.h"

#include <algorithm>
#include <vector>

bool CRaid5VolumeDevice::ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count)
{
    const uint64_t n = m_members.size();
    if (n < 2) return false;
    const uint64_t sectorSize = uint64_t(GetSectorSize());
    const uint64_t stripe = uint64_t(GetStripeSize());
    const uint64_t dataPerRow = (n - 1) * stripe;
    std::vector<uint8_t> other;
    uint64_t pos = first, rest = count;
    while (rest > 0) {
        const uint64_t row = pos / dataPerRow;
        const uint64_t parity = n - 1 - row % n;
        const uint64_t column = (parity + 1 + (pos / stripe) % (n - 1)) % n;
        const uint64_t within = pos % stripe;
        const uint64_t piece = std::min(stripe - within, rest);
        const uint64_t at = row * stripe + within;
        if (!ReadMember(m_members[column], at, buffer, piece)) {
            LogMemberFailure("RAID-5", column, pos);
            // Rebuild from every other column, parity included.
            const size_t bytes = size_t(piece * sectorSize);
            std::fill(buffer, buffer + bytes, 0);
            other.resize(size_t(stripe * sectorSize));
            for (uint64_t c = 0; c < n; ++c) {
                if (c == column) continue;
                if (!ReadMember(m_members[c], at, other.data(), piece)) {
                    LogMemberFailure("RAID-5", c, pos);
                    std::fill(buffer, buffer + bytes, 0);
                    return false;
                }
                for (size_t i = 0; i < bytes; ++i) buffer[i] ^= other[i];
            }
        }
        buffer += piece * sectorSize;
        pos += piece;
        rest -= piece;
    }
    return true;
}
