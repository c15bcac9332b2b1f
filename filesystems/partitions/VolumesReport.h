// Headless views of the volume machinery for the end-to-end harness: the file system of a volume as the
// analysers see it, and the enumerated volume records one a line.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"

#include <cstdint>
#include <cstdio>
#include <string>

struct VolumeIdentity {
    int32_t kind = 7;          // kFsKind*, 7 when no analyser recognised the start
    uint64_t totalSectors = 0; // as the file system states it, in the device's sectors
    std::string label;
};

// What the NTFS, FAT and ext2 analysers (in that order) find at firstSector of the device.
VolumeIdentity IdentifyVolumeFileSystem(IStorageDevice* device, uint64_t firstSector = 0);

// One line per record: "<letter>:" or "*", the file-system name, the size in bytes and the label, separated by
// tabs ("C:\tFAT16\t8388608\tDATA16").
void PrintVolumeRecords(const CVolumeDeviceRecordList& volumes, std::FILE* out);

// Collects the disks and volumes of the machine (SALVIX_DISKS and SALVIX_DRIVES apply), prints them with
// PrintVolumeRecords, frees them, and returns the number of volume records.
int ListVolumesReport(std::FILE* out);
