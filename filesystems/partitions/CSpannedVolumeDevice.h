// A dynamic volume of extents one after the other, each at its offset of the volume.
#pragma once

#include "filesystems/partitions/CDynamicVolumeDevice.h"

class CSpannedVolumeDevice : public CDynamicVolumeDevice {
public:
    using CDynamicVolumeDevice::CDynamicVolumeDevice;

protected:
    bool ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count) override;
};
