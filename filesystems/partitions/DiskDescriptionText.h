// The one-line description of a disk that the disk log, the volume records and the disk rows show:
// vendor, product and bus name.
#pragma once

#include "core/devices/CDiskDevice.h"

#include <string>

class IStorageDevice;

// "%s  %s  %s" (vendor, product, bus-type name), or "%s  %s" (product, bus-type name) when the vendor is
// empty or begins with "(" (a placeholder some bridges report); at most 49 bytes, cut on a character boundary.
std::string FormatDiskDescriptionText(const DiskDescription& description);

// The description of a disk device, with the bus type; zeros and an empty text for a device that is no
// CDiskDevice or does not answer.
std::string GetDiskDescriptionText(IStorageDevice* disk, int32_t* busType = nullptr);
