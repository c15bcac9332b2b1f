// Names of volumes and disks a person reads.
#include "filesystems/partitions/VolumeNames.h"

#include "core/devices/CDiskDevice.h"
#include "filesystems/partitions/FileSystemNames.h"
#include "filesystems/partitions/IDynamicDevice.h"

#include <algorithm>
#include <filesystem>

namespace {

std::string DiskPathOf(const IStorageDevice* disk)
{
    const auto* d = dynamic_cast<const CDiskDevice*>(disk);
    return d ? d->GetDevicePath() : std::string();
}

const plat::BlockDeviceInfo* FindWhole(const std::vector<plat::BlockDeviceInfo>& devices, const std::string& path)
{
    for (const plat::BlockDeviceInfo& d : devices)
        if (!d.partition && d.path == path) return &d;
    return nullptr;
}

std::string FileName(const std::string& path)
{
    return std::filesystem::path(path).filename().string();
}

} // namespace

VolumeNaming NameVolume(const VolumeDeviceRecord& record, const CVolumeDeviceRecordList& volumes,
                        const std::vector<plat::BlockDeviceInfo>& devices)
{
    VolumeNaming naming;
    if (record.nKind != VolumeDeviceRecord::kKindVolume) {
        naming.device = record.szImageName;
        return naming;
    }
    if (record.bFloppy) {
        naming.device = record.cDriveLetter == 'B' ? "fd1" : "fd0";
        return naming;
    }
    if (record.nDynamic) {
        int number = 0;
        for (const VolumeDeviceRecord& other : volumes) {
            if (other.nKind == VolumeDeviceRecord::kKindVolume && other.nDynamic) ++number;
            if (&other == &record) break;
        }
        auto* dynamic = dynamic_cast<IDynamicDevice*>(record.pDevice);
        naming.device = "dynamic volume " + std::to_string(std::max(number, 1));
        if (dynamic) naming.device += std::string(" (") + GetDynamicVolumeTypeName(dynamic->GetVolumeType()) + ")";
        return naming;
    }
    IStorageDevice* disk = record.members[0].pDisk;
    const std::string diskPath = DiskPathOf(disk);
    if (diskPath.empty()) return naming;
    const int64_t sectorSize = disk->GetSectorSize() > 0 ? disk->GetSectorSize() : 512;
    const uint64_t start = record.members[0].u64FirstSector;
    if (const plat::BlockDeviceInfo* found = plat::FindBlockDeviceAt(devices, diskPath, start * uint64_t(sectorSize))) {
        if (found->partition || start == 0) {
            naming.device = plat::BlockDeviceDisplayName(*found);
            naming.mountPoint = found->mountPoint;
            return naming;
        }
    }
    // An image file standing in for a disk, or a partition the kernel does not show: named after the disk and
    // its place among the volumes on it.
    std::string diskName = FileName(diskPath);
    if (const plat::BlockDeviceInfo* whole = FindWhole(devices, diskPath))
        diskName = plat::BlockDeviceDisplayName(*whole);
    if (start == 0) {
        naming.device = diskName;
        return naming;
    }
    int place = 0;
    for (const VolumeDeviceRecord& other : volumes) {
        if (other.nKind != VolumeDeviceRecord::kKindVolume || other.nDynamic || other.bFloppy) continue;
        if (DiskPathOf(other.members[0].pDisk) != diskPath) continue;
        const uint64_t first = other.members[0].u64FirstSector;
        if (first != 0 && first <= start) ++place;
    }
    naming.device = diskName + " p" + std::to_string(std::max(place, 1));
    return naming;
}

std::string VolumeRowName(const VolumeDeviceRecord& record, const VolumeNaming& naming)
{
    std::string text = naming.device.empty() ? std::string("?") : naming.device;
    if (record.szLabel[0]) text += std::string("  ") + record.szLabel;
    text += std::string("  (") + GetFileSystemName(record.nFileSystemKind) + ")";
    if (!naming.mountPoint.empty()) text += "  " + naming.mountPoint;
    return text;
}

std::string VolumeShortName(const VolumeDeviceRecord& record, const VolumeNaming& naming)
{
    std::string text = naming.device.empty() ? std::string("?") : naming.device;
    if (record.szLabel[0]) text += std::string(" ") + record.szLabel;
    return text + " (" + GetFileSystemName(record.nFileSystemKind) + ")";
}

std::string NameDisk(IStorageDevice* disk, const std::vector<plat::BlockDeviceInfo>& devices)
{
    const std::string path = DiskPathOf(disk);
    if (path.empty()) return std::string();
    if (const plat::BlockDeviceInfo* whole = FindWhole(devices, path)) return plat::BlockDeviceDisplayName(*whole);
    return FileName(path);
}

std::string DiskFileFolder(IStorageDevice* disk, const std::vector<plat::BlockDeviceInfo>& devices)
{
    const std::string path = DiskPathOf(disk);
    if (path.empty()) return std::string();
    std::filesystem::path file;
    if (const plat::BlockDeviceInfo* whole = FindWhole(devices, path))
        file = whole->backingFile;
    else if (std::error_code ec; std::filesystem::is_regular_file(path, ec))
        file = std::filesystem::absolute(path, ec);
    return file.empty() ? std::string() : file.lexically_normal().parent_path().string();
}
