// Drive letters of volumes. Linux has none, so the platform layer hands them out (platform/DriveLetters.h):
// a partition entry gets the letter of the volume that starts at the same byte of the same disk. Also the
// text form of volume GUID paths and the letter lookups of dynamic volumes.
#pragma once

#include "filesystems/partitions/CBasicPartitionInfo.h"
#include "platform/DriveLetters.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class IStorageDevice;

// Sets the drive letter of each entry of a disk's table that has one. Only a CDiskDevice that is open has
// letters; entries that match no lettered volume keep theirs.
void ReadDriveLayout(IStorageDevice* disk, CBasicPartitionList& entries);

// The assignment over a given drive list: an entry gets the letter of the drive whose disk is diskPath and
// whose start byte is the entry's first sector times sectorSize; a later matching drive overwrites an earlier.
void AssignPartitionDriveLetters(const std::string& diskPath, int32_t sectorSize,
                                 const std::vector<plat::DriveEntry>& drives, CBasicPartitionList& entries);

// "\\?\Volume{00112233-4455-6677-8899-aabbccddeeff}\" from the 16 bytes in their stored order, lower case.
std::string FormatVolumeGuidPath(std::span<const uint8_t, 16> guid);

// The letter of a volume known by its GUID name, or 0. Volumes have no GUID names on this platform: always 0.
char GetVolumeDriveLetter(std::span<const uint8_t, 16> guid);

// The letter of a dynamic volume by its name and disk group, or 0. The platform gives dynamic volumes no
// device of their own, so none has a letter: always 0.
char GetDynamicVolumeDriveLetter(const std::string& volumeName, const std::string& diskGroupName);
