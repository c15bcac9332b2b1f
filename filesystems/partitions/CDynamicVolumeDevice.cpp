// Common operations of the dynamic volumes made of member extents.
#include "filesystems/partitions/CDynamicVolumeDevice.h"

#include "filesystems/partitions/DriveLayout.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

bool ExtentsEqual(const LdmExtent& a, const LdmExtent& b)
{
    return a.length == b.length && a.firstSector == b.firstSector && a.offset == b.offset && a.disk == b.disk &&
           a.diskId == b.diskId;
}

bool MemberListsMatch(const std::vector<const LdmExtent*>& a, const std::vector<const LdmExtent*>& b)
{
    for (const LdmExtent* x : a) {
        bool found = false;
        for (const LdmExtent* y : b)
            if (x && y && ExtentsEqual(*x, *y)) found = true;
        if (!found) return false;
    }
    return true;
}

CDynamicVolumeDevice::CDynamicVolumeDevice(int32_t type, const LdmVolumeInfo& info, std::vector<LdmExtent> members)
    : m_members(std::move(members)), m_info(info), m_type(type)
{
}

int32_t CDynamicVolumeDevice::GetSectorSize()
{
    if (m_members.empty() || !m_members[0].disk) return 512;
    const int32_t size = m_members[0].disk->GetSectorSize();
    return size > 0 ? size : 512;
}

bool CDynamicVolumeDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    const uint64_t sectorSize = uint64_t(GetSectorSize());
    std::memset(buffer, 0, sectorCount * sectorSize);
    const uint64_t total = GetSectorCount();
    if (firstSector > total || sectorCount > total) return false;
    const uint64_t count = std::min(sectorCount, total - firstSector);
    if (count == 0) return true;
    return ReadMapped(static_cast<uint8_t*>(buffer), firstSector, count);
}

bool CDynamicVolumeDevice::ReadMember(const LdmExtent& member, uint64_t positionInColumn, uint8_t* buffer,
                                      uint64_t count)
{
    if (!member.disk || positionInColumn < member.offset) return false;
    const uint64_t into = positionInColumn - member.offset;
    if (member.firstSector > UINT64_MAX - into) return false;
    return member.disk->ReadSectors(buffer, member.firstSector + into, count);
}

void CDynamicVolumeDevice::LogMemberFailure(const char* layout, size_t member, uint64_t volumeSector)
{
    if (m_failureLogged.size() != m_members.size()) m_failureLogged.assign(m_members.size(), false);
    if (m_failureLogged[member]) return;
    m_failureLogged[member] = true;
    const LdmExtent& m = m_members[member];
    LogError("%s volume \"%s\": member %zu (disk %s%s) could not be read at volume sector %" PRIu64, layout,
             m_info.volumeName.c_str(), member, m.diskId.c_str(), m.disk ? "" : ", missing", volumeSector);
}

bool CDynamicVolumeDevice::IsSameVolume(IDynamicDevice* other)
{
    if (!other || other->GetVolumeType() != GetVolumeType()) return false;
    std::vector<const LdmExtent*> mine, theirs;
    GetMembers(mine);
    other->GetMembers(theirs);
    return MemberListsMatch(mine, theirs);
}

void CDynamicVolumeDevice::GetMembers(std::vector<const LdmExtent*>& members)
{
    for (const LdmExtent& m : m_members) members.push_back(&m);
}

char CDynamicVolumeDevice::GetDriveLetter()
{
    return GetDynamicVolumeDriveLetter(m_info.volumeName, m_info.diskGroupName);
}
