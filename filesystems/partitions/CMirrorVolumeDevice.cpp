// Reading a mirrored volume.
#include "filesystems/partitions/CMirrorVolumeDevice.h"

#include "filesystems/partitions/DriveLayout.h"
#include "platform/Log.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

CMirrorVolumeDevice::CMirrorVolumeDevice(int32_t type, const LdmVolumeInfo& info, std::unique_ptr<IDynamicDevice> plex1,
                                         std::unique_ptr<IDynamicDevice> plex2)
    : m_info(info), m_type(type)
{
    if (plex1) m_plexes.push_back(std::move(plex1));
    if (plex2) m_plexes.push_back(std::move(plex2));
}

int32_t CMirrorVolumeDevice::GetSectorSize()
{
    return m_plexes.empty() ? 512 : m_plexes[0]->GetSectorSize();
}

bool CMirrorVolumeDevice::ReadSectors(void* buffer, uint64_t firstSector, uint64_t sectorCount)
{
    const uint64_t sectorSize = uint64_t(GetSectorSize());
    std::memset(buffer, 0, sectorCount * sectorSize);
    const uint64_t total = GetSectorCount();
    if (firstSector > total || sectorCount > total) return false;
    uint64_t rest = std::min(sectorCount, total - firstSector);
    uint64_t pos = firstSector;
    auto* out = static_cast<uint8_t*>(buffer);
    bool ok = true;
    while (rest > 0) {
        const uint64_t chunk = std::min(kChunkSectors, rest);
        bool whole = false;
        for (auto& plex : m_plexes)
            if (plex->ReadSectors(out, pos, chunk)) {
                whole = true;
                break;
            }
        if (!whole) {
            for (uint64_t s = 0; s < chunk; ++s) {
                uint8_t* sector = out + s * sectorSize;
                bool read = false;
                for (auto& plex : m_plexes)
                    if (plex->ReadSectors(sector, pos + s, 1)) {
                        read = true;
                        break;
                    }
                if (!read) {
                    std::memset(sector, 0, sectorSize);
                    LogError("Mirror volume \"%s\": no plex reads volume sector %" PRIu64, m_info.volumeName.c_str(),
                             pos + s);
                    ok = false;
                }
            }
        }
        out += chunk * sectorSize;
        pos += chunk;
        rest -= chunk;
    }
    return ok;
}

bool CMirrorVolumeDevice::IsSameVolume(IDynamicDevice* other)
{
    if (!other || other->GetVolumeType() != GetVolumeType()) return false;
    std::vector<const LdmExtent*> mine, theirs;
    GetMembers(mine);
    other->GetMembers(theirs);
    return MemberListsMatch(mine, theirs);
}

void CMirrorVolumeDevice::GetMembers(std::vector<const LdmExtent*>& members)
{
    for (auto& plex : m_plexes) plex->GetMembers(members);
}

char CMirrorVolumeDevice::GetDriveLetter()
{
    return GetDynamicVolumeDriveLetter(m_info.volumeName, m_info.diskGroupName);
}
