// File-system kind from a boot sector, and labels of whole-device file systems.
#include "filesystems/partitions/VolumeDetection.h"

#include "core/devices/IStorageDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"
#include "filesystems/partitions/CFatVolumeLabelReader.h"
#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/tree/CFileNode.h"

#include <algorithm>
#include <vector>

std::vector<uint8_t> ReadBootSectors(IStorageDevice* device, uint64_t firstSector, int32_t sectorSize, uint32_t sectors,
                                     size_t minBytes)
{
    if (!device || sectorSize <= 0) return {};
    std::vector<uint8_t> buffer(std::max(minBytes, static_cast<size_t>(sectorSize) * sectors), 0);
    if (!device->ReadSectors(buffer.data(), firstSector, sectors)) return {};
    return buffer;
}

int32_t DetectFileSystemKind(std::span<const uint8_t> sector, int32_t sectorSize)
{
    for (const FileSystemKindInfo& fs : FileSystemKinds()) {
        if (!fs.detectBootSector) continue;
        const int32_t kind = fs.detectBootSector(sector, sectorSize);
        if (kind != kFsKindNone) return kind;
    }
    return kFsKindNone;
}

int32_t DetectFatBootSector(std::span<const uint8_t> sector, int32_t sectorSize)
{
    const CFATDBR fat(sector, sectorSize);
    return fat.IsValid() ? fat.GetFATType() : kFsKindNone;
}

int32_t DetectNtfsBootSector(std::span<const uint8_t> sector, int32_t)
{
    return sector.size() >= 512 && IsNtfsBootSector(sector) ? kFsKindNtfs : kFsKindNone;
}

bool ReadFatDeviceLabel(IStorageDevice* device, std::string& label)
{
    const int32_t sectorSize = device && device->GetSectorSize() > 0 ? device->GetSectorSize() : 512;
    const std::vector<uint8_t> sector = ReadBootSectors(device, 0, sectorSize, 1, 512);
    if (sector.empty()) return false;
    const CFATDBR boot(sector, sectorSize);
    if (!boot.IsValid()) return false;
    return CFatVolumeLabelReader(device).ReadLabel(0, boot, label);
}

bool ReadNtfsDeviceLabel(IStorageDevice* device, std::string& label)
{
    const int32_t sectorSize = device ? device->GetSectorSize() : 0;
    const std::vector<uint8_t> sector = ReadBootSectors(device, 0, sectorSize, 1, 512);
    if (sector.empty() || !HasNtfsOemId(sector)) return false;
    CNTFSDBR boot;
    if (!boot.Attach(sector)) return false;
    return CNtfsVolumeLabelReader(device).ReadLabel(0, boot, label);
}

bool ReadVolumeLabel(IStorageDevice* device, int32_t kind, char* label, int size)
{
    const FileSystemKindInfo* family = FindFileSystemFamily(kind);
    if (!family || !family->readDeviceLabel) return false;
    std::string text;
    const bool found = family->readDeviceLabel(device, text);
    if (found && label && size > 0) CopyFixedText(label, size_t(size), text);
    return found;
}
