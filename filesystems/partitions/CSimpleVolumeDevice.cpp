// Reading a simple volume.
#include "filesystems/partitions/CSimpleVolumeDevice.h"

bool CSimpleVolumeDevice::ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count)
{
    if (m_members.empty()) return false;
    if (ReadMember(m_members[0], m_members[0].offset + first, buffer, count)) return true;
    LogMemberFailure("Simple", 0, first);
    return false;
}
