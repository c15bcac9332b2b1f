// A dynamic volume of one extent: the volume is member 0's run of sectors.
#pragma once

#include "filesystems/partitions/CDynamicVolumeDevice.h"

class CSimpleVolumeDevice : public CDynamicVolumeDevice {
public:
    using CDynamicVolumeDevice::CDynamicVolumeDevice;

protected:
    bool ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count) override;
};
