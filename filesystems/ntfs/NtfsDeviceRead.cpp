// Whole-sector reads sized in bytes.
#include "filesystems/ntfs/NtfsDeviceRead.h"

#include "core/devices/IStorageDevice.h"

bool NtfsReadBytesAt(IStorageDevice* device, uint64_t sector, size_t bytes, std::vector<uint8_t>& out)
{
    out.clear();
    if (!device || bytes == 0) return false;
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0) return false;
    const uint64_t unit = static_cast<uint64_t>(sectorSize);
    const uint64_t sectors = (uint64_t(bytes) + unit - 1) / unit;
    out.assign(static_cast<size_t>(sectors * unit), 0);
    return device->ReadSectors(out.data(), sector, sectors);
}
