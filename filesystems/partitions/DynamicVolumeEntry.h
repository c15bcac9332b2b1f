// What the dynamic-disk database gives the dynamic-volume collector per volume: the readable device and what
// was learnt of it.
#pragma once

#include "filesystems/partitions/IDynamicDevice.h"

#include <cstdint>
#include <memory>
#include <string>

struct DynamicVolumeEntry {
    uint64_t sectorCount = 0;
    std::string typeName;       // GetDynamicVolumeTypeName of the device's type
    int32_t fileSystemKind = 7; // kFsKind*
    std::string label;          // at most 99 characters
    char driveLetter = 0;       // 0 when none
    std::unique_ptr<IDynamicDevice> device;
};
