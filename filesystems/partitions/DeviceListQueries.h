// Questions asked of the collected lists: the volume of a drive letter, whether a volume lies on a lettered
// drive (the save-target warning), whether two volumes share sectors of a disk, and the disk rows' records.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"

// The first record with that letter (any case), or null.
VolumeDeviceRecord* FindVolumeByDriveLetter(char letter, CVolumeDeviceRecordList& volumes);
const VolumeDeviceRecord* FindVolumeByDriveLetter(char letter, const CVolumeDeviceRecordList& volumes);

// False unless the record is a volume (kind 0) and the letter is one. True when the record carries that
// letter; false when it carries another; for an unlettered record, whether it overlaps the lettered one.
bool IsVolumeOnDrive(const VolumeDeviceRecord* record, char letter, const CVolumeDeviceRecordList& volumes);

// Some member extent of a and some of b lie on the same disk (same disk index; the same device when an
// index is unknown) and share a sector.
bool VolumesOverlap(const VolumeDeviceRecord& a, const VolumeDeviceRecord& b);

// The disk index of a member's disk device; -1 for a device that is no disk.
int GetMemberDiskIndex(const IStorageDevice* disk);

// The disk-form record of a collected disk: the device at both slots, heads, USB flag, description, and the
// dynamic flag of the last volume record with a member on that disk (1 also when the disk itself tests dynamic).
DiskDeviceRecord MakeDiskDeviceRecord(IStorageDevice* disk, const CVolumeDeviceRecordList& volumes);
