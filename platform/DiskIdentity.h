// Identification of a disk from sysfs: vendor, model, revision, serial number and the bus it hangs on.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

// Bus kinds, numbered as the storage-property query numbers them.
enum BusType : int32_t {
    kBusUnknown = 0,
    kBusScsi = 1,
    kBusAtapi = 2,
    kBusAta = 3,
    kBus1394 = 4,
    kBusSsa = 5,
    kBusFibre = 6,
    kBusUsb = 7,
    kBusRaid = 8,
    kBusIscsi = 9,
    kBusSas = 10,
    kBusSata = 11,
    kBusSd = 12,
    kBusMmc = 13,
    kBusVirtual = 14,
    kBusFileBackedVirtual = 15,
    kBusNvme = 17,
};

struct DiskIdentity {
    int32_t busType = kBusUnknown;
    std::string vendor;
    std::string product;
    std::string revision;
    std::string serial;
    std::string wwn; // the world-wide name or other unique id the disk reports ("naa.5000c500...", "eui....")
};

// The identity of the disk at devicePath (a block device or an image file). False when the path cannot be
// opened for reading. Texts the system does not report stay empty; they come as sysfs gives them (padding
// included). An image file is a file-backed disk whose product is the file's name.
bool QueryDiskIdentity(const std::string& devicePath, DiskIdentity* identity);

// The same from a device's sysfs folder (/sys/dev/block/M:m resolved, or a test tree).
DiskIdentity ReadDiskIdentity(const std::string& sysDeviceDir);

// The bus from the resolved sysfs path of a block device.
int32_t BusTypeFromSysfsPath(const std::string& resolvedPath);

} // namespace plat
