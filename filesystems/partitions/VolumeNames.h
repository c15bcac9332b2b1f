// The names a person reads for the collected sources, in place of drive letters: the Linux device of a volume
// ("sdb1", "loop0p1: disk.img"), a dynamic volume's number and type, a disk-list image file by its file name,
// with the label, file system and mount point around them. Letters stay inside the records (stored forms and
// the same-drive tests need them); none of these texts shows one.
#pragma once

#include "filesystems/partitions/DeviceRecords.h"
#include "platform/DiskTable.h"

#include <string>
#include <vector>

// What a volume record is shown as.
struct VolumeNaming {
    std::string device;     // "sdb1", "loop0p1: disk.img", "dynamic volume 1 (SPANNED)", "disk.img p2"
    std::string mountPoint; // empty when not mounted
};

// The name of a record of the list (its devices: the kernel's, ListBlockDevices). A basic volume is found by
// its disk's path and its start; a volume on a disk that is an image file is named after the file and its
// place among the list's volumes on that file ("disk.img p2"; the file name alone for one at sector 0);
// dynamic volumes are numbered in list order; floppies are fd0 and fd1.
VolumeNaming NameVolume(const VolumeDeviceRecord& record, const CVolumeDeviceRecordList& volumes,
                        const std::vector<plat::BlockDeviceInfo>& devices);

// The row text of a volume: "sdb1  DATA  (FAT32)  /media/me/DATA" (label and mount point left out when
// empty).
std::string VolumeRowName(const VolumeDeviceRecord& record, const VolumeNaming& naming);
// A shorter form for titles and the names of images and saved states: "sdb1 DATA (FAT32)".
std::string VolumeShortName(const VolumeDeviceRecord& record, const VolumeNaming& naming);

// The name of a whole disk (a disk device, or an image file standing in for one): "sdb", "loop0: disk.img",
// "disk.img"; empty for a device that is no disk.
std::string NameDisk(IStorageDevice* disk, const std::vector<plat::BlockDeviceInfo>& devices);
// The folder of the file behind a whole disk: of the image file standing in for it, or of a loop device's
// backing file; empty for any other disk.
std::string DiskFileFolder(IStorageDevice* disk, const std::vector<plat::BlockDeviceInfo>& devices);
