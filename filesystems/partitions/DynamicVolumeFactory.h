// Makes the device of a dynamic volume from its member extents, or refuses when the members cannot make the
// layout readable. Each device keeps its own copy of the members and the volume info.
#pragma once

#include "filesystems/partitions/IDynamicDevice.h"

#include <memory>
#include <vector>

// Exactly one member has a disk.
std::unique_ptr<IDynamicDevice> CreateSimpleVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                         const std::vector<LdmExtent>& members);
// At least one member has a disk.
std::unique_ptr<IDynamicDevice> CreateSpannedVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                          const std::vector<LdmExtent>& members);
std::unique_ptr<IDynamicDevice> CreateStripedVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                          const std::vector<LdmExtent>& members);
// At least two members, and at most one of them without a disk (that column is rebuilt from parity).
std::unique_ptr<IDynamicDevice> CreateRaid5VolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                        const std::vector<LdmExtent>& members);
// At least one plex.
std::unique_ptr<IDynamicDevice> CreateMirrorVolumeDevice(int32_t type, const LdmVolumeInfo& info,
                                                         std::unique_ptr<IDynamicDevice> plex1,
                                                         std::unique_ptr<IDynamicDevice> plex2);
