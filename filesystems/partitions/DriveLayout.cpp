// Drive letters of partitions and volumes.
#include "filesystems/partitions/DriveLayout.h"

#include "core/devices/CDiskDevice.h"

#include <cstdio>

void AssignPartitionDriveLetters(const std::string& diskPath, int32_t sectorSize,
                                 const std::vector<plat::DriveEntry>& drives, CBasicPartitionList& entries)
{
    if (diskPath.empty() || sectorSize <= 0) return;
    for (CBasicPartitionInfo& entry : entries) {
        if (entry.u64StartSector > UINT64_MAX / uint64_t(sectorSize)) continue;
        const uint64_t startByte = entry.u64StartSector * uint64_t(sectorSize);
        for (const plat::DriveEntry& drive : drives)
            if (drive.diskPath == diskPath && drive.startByte == startByte) entry.cDriveLetter = drive.letter;
    }
}

void ReadDriveLayout(IStorageDevice* disk, CBasicPartitionList& entries)
{
    auto* diskDevice = dynamic_cast<CDiskDevice*>(disk);
    if (!diskDevice || !diskDevice->IsOpen()) return;
    AssignPartitionDriveLetters(diskDevice->GetDevicePath(), diskDevice->GetSectorSize(), plat::ListDrives(), entries);
}

std::string FormatVolumeGuidPath(std::span<const uint8_t, 16> g)
{
    char text[64];
    std::snprintf(text, sizeof text,
                  "\\\\?\\Volume{%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x}\\", g[0], g[1],
                  g[2], g[3], g[4], g[5], g[6], g[7], g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

char GetVolumeDriveLetter(std::span<const uint8_t, 16> guid)
{
    (void)guid;
    return 0;
}

char GetDynamicVolumeDriveLetter(const std::string& volumeName, const std::string& diskGroupName)
{
    (void)volumeName, (void)diskGroupName;
    return 0;
}
