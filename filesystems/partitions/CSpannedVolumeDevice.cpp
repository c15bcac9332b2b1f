// Reading a spanned volume: each member holds [offset, offset + length) of the volume.
#include "filesystems/partitions/CSpannedVolumeDevice.h"

#include <algorithm>

bool CSpannedVolumeDevice::ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count)
{
    const uint64_t sectorSize = uint64_t(GetSectorSize());
    uint64_t pos = first, rest = count;
    bool ok = true;
    for (size_t i = 0; i < m_members.size(); ++i) {
        const LdmExtent& m = m_members[i];
        if (pos < m.offset || pos - m.offset >= m.length) continue;
        const uint64_t piece = std::min(m.length - (pos - m.offset), rest);
        // A missing or failing member leaves its piece zero; the read goes on but reports the loss.
        if (!ReadMember(m, pos, buffer, piece)) {
            LogMemberFailure("Spanned", i, pos);
            ok = false;
        }
        buffer += piece * sectorSize;
        pos += piece;
        rest -= piece;
        if (rest == 0) return ok;
    }
    return false;
}
