// The factories of the dynamic volume devices.
#include "filesystems/partitions/DynamicVolumeFactory.h"

#include "filesystems/partitions/CMirrorVolumeDevice.h"
#include "filesystems/partitions/CRaid5VolumeDevice.h"
#include "filesystems/partitions/CSimpleVolumeDevice.h"
#include "filesystems/partitions/CSpannedVolumeDevice.h"
#include "filesystems/partitions/CStripedVolumeDevice.h"

#include <algorithm>

namespace {

size_t MembersWithDisk(const std::vector<LdmExtent>& members)
{
    return size_t(std::count_if(members.begin(), members.end(), [](const LdmExtent& m) { return m.disk != nullptr; }));
}

} // namespace

std::unique_ptr<IDynamicDevice> CreateSimpleVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                         const std::vector<LdmExtent>& members)
{
    if (MembersWithDisk(members) != 1) return nullptr;
    return std::make_unique<CSimpleVolumeDevice>(type, info, members);
}

std::unique_ptr<IDynamicDevice> CreateSpannedVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                          const std::vector<LdmExtent>& members)
{
    if (MembersWithDisk(members) == 0) return nullptr;
    return std::make_unique<CSpannedVolumeDevice>(type, info, members);
}

std::unique_ptr<IDynamicDevice> CreateStripedVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                          const std::vector<LdmExtent>& members)
{
    if (MembersWithDisk(members) == 0) return nullptr;
    return std::make_unique<CStripedVolumeDevice>(type, info, members);
}

std::unique_ptr<IDynamicDevice> CreateRaid5VolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                        const std::vector<LdmExtent>& members)
{
    // One member has no data column at all; two missing members leave nothing to rebuild from.
    const size_t n = members.size();
    const size_t present = MembersWithDisk(members);
    if (n < 2 || (present != n && present + 1 != n)) return nullptr;
    return std::make_unique<CRaid5VolumeDevice>(type, info, members);
}

std::unique_ptr<IDynamicDevice> CreateMirrorVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                         std::unique_ptr<IDynamicDevice> plex1,
                                                         std::unique_ptr<IDynamicDevice> plex2)
{
    if (!plex1 && !plex2) return nullptr;
    return std::make_unique<CMirrorVolumeDevice>(type, info, std::move(plex1), std::move(plex2));
}
