// The scanned device in a recovery-state file: the selected volume or disk record, stored whole, followed
// for a device of this machine by the signature of every disk involved; on restore, the device of this run
// that matches it (a disk image is opened again by its path).
//
// Volume record {94F5F416-4317-4567-AE44-15B3214ED998}: the 1277-byte record; for kind 0 one 5400-byte
//   signature per member, in member order; for kind 1 the signature of the image (see below).
// Disk record {B072A676-0548-468B-BA9E-91093A63B517}: the 548-byte record; for kind 0 the signature of its
//   disk; for kind 1 the signature of the image.
// The image signature is this program's own addition: a record section without it (written elsewhere) is
//   read, and its image is then known by its path (and, for a raw image, its sector count) alone.
// Disk signature, 5400 bytes: 0 the disk's description (1304: bus type i32, vendor, product, revision,
//   serial, bus name, 260 bytes each) | 1304 sector 0 of the disk (at most 4096 bytes) with its partition
//   table (the 64 bytes at 1750) zeroed | zeros to the end.
#pragma once

#include <array>
#include <cstdint>
#include <list>

#include "core/rsdata/IRSData.h"
#include "filesystems/partitions/DeviceRecords.h"

class IStorageDevice;

// Records of disk images opened as sources. Each record's device is owned by the list's owner, who deletes
// it with the record; pointers handed out stay valid while the record is in the list.
using COpenedImageVolumeList = std::list<VolumeDeviceRecord>;
using COpenedImageDiskList = std::list<DiskDeviceRecord>;
using CDiskDeviceRecordList = std::list<DiskDeviceRecord>;

class CRSDeviceSerializer {
public:
    static constexpr size_t kSignatureSize = 5400;
    static constexpr size_t kDescriptionSize = 1304;
    static constexpr size_t kPartitionTableAt = 1750;
    static constexpr size_t kPartitionTableSize = 64;
    static constexpr size_t kMaxSignatureSector = 4096;
    using DiskSignature = std::array<uint8_t, kSignatureSize>;

    CRSDeviceSerializer() = default;
    // Not owned.
    void Attach(IRSData* stream) { m_stream = stream; }

    // Write the section; stream errors pass as CRSException. False without a stream.
    bool SaveVolume(const VolumeDeviceRecord& record);
    bool SaveDisk(const DiskDeviceRecord& record);

    // The record of this run that the stored one names, or null when none does. A stored image (kind 1) is
    // found among the opened images by its path or opened again and appended to them: as a disk-image
    // container, or else as a raw sector image of the stored sector count; either way its signature must be
    // the stored one, so that another file put at that path is never taken for it. A stored volume
    // (kind 0) is the first current volume with the same kind of volume, letter, file system, floppy flag,
    // member extents and member disks. A volume without members is matched only when it is a floppy; a
    // stored record of any other kind is never matched. Stream errors pass (a missing section is code 7).
    VolumeDeviceRecord* LoadVolume(std::list<VolumeDeviceRecord>& current, COpenedImageVolumeList& images);
    // The same for disks: a stored disk (kind 0) is the first current disk whose signature is the stored one.
    DiskDeviceRecord* LoadDisk(CDiskDeviceRecordList& current, COpenedImageDiskList& images);

    // The disk's description and sector 0 without its partition table. False (the block then holds what
    // could be had) when the description or sector 0 cannot be read, or the disk is null.
    static bool MakeDiskSignature(IStorageDevice* disk, DiskSignature& out);

private:
    IRSData* m_stream = nullptr;
};
