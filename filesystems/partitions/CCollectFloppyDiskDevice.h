// Collects the floppy drives A: and B: as volume records, with the file system found on the disk in them.
#pragma once

#include "core/devices/CVolumeDevice.h"
#include "filesystems/partitions/DeviceRecords.h"

#include <functional>
#include <memory>

class CCollectFloppyDiskDevice {
public:
    using VolumeMaker = std::function<std::unique_ptr<CVolumeDevice>(char letter)>;

    // A: then B:; the first letter whose media type is unknown, removable or fixed ends the collection.
    void CollectFloppyDiskDevice(CVolumeDeviceRecordList& volumes);
    void CollectFloppyDiskDevice(CVolumeDeviceRecordList& volumes, const VolumeMaker& make);
};
