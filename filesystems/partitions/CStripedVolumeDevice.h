// A dynamic volume of columns in 64 KiB stripe units, one member per column.
#pragma once

#include "filesystems/partitions/CDynamicVolumeDevice.h"

class CStripedVolumeDevice : public CDynamicVolumeDevice {
public:
    using CDynamicVolumeDevice::CDynamicVolumeDevice;

    // 65536 bytes of sectors of the first member's disk.
    int32_t GetStripeSize() { return int32_t(65536 / GetSectorSize()); }

protected:
    bool ReadMapped(uint8_t* buffer, uint64_t first, uint64_t count) override;
};
