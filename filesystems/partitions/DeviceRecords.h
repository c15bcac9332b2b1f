// The records of the selectable sources: VolumeDeviceRecord (a volume of this machine, or a disk image
// opened as one) and DiskDeviceRecord (a disk or disk image). In memory they are plain structs; their stored
// form, which recovery-state files hold byte for byte, is packed little-endian and made field by field here.
//
// VolumeDeviceRecord, 1277 bytes. Volume form (kind 0):
//   0 kind u32 | 4 device slot | 8 basic 0 / dynamic 1 u32 | 12 file-system kind i32 | 16 drive letter u8
//   17 label char[100] | 117 floppy flag u32 | 121 USB flag u32
//   125 32 member extents of 20 bytes {first sector u64, sector count u64, disk slot}
//   765 member-disk text char[512]
// Image form (kind 1): 0 kind | 4 device slot | 8 image number u32 | 12 display name char[260]
//   272 sector count u64 | 280 image path char[260] | 540 file-system kind i32 | 544.. zero
// DiskDeviceRecord, 548 bytes. Disk form (kind 0):
//   0 kind u32 | 4 device slot | 8 heads u32 | 12 USB flag u32 | 16 disk device slot
//   20 description char[50] | 70 dynamic flag u32 | 74.. zero
// Image form (kind 1): 0 kind | 4 device slot | 8 heads u32 | 12 image number u32 | 16 display name char[260]
//   276 sector count u64 | 284 image path char[260] | 544 zero u32
// A slot is the 4-byte place of a pointer: 1 when the record held one, 0 when not. Bytes a form does not name
// are zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <list>
#include <span>

class IStorageDevice;

struct VolumeMemberExtent {
    uint64_t u64FirstSector = 0; // on the member's disk
    uint64_t u64SectorCount = 0;
    IStorageDevice* pDisk = nullptr; // the disk device; null ends the member list
};

// The devices it points to belong to the owner of the list that holds the record.
struct VolumeDeviceRecord {
    static constexpr size_t kStoredSize = 1277;
    static constexpr int kMaxMembers = 32;
    static constexpr uint32_t kKindVolume = 0;
    static constexpr uint32_t kKindImage = 1;

    uint32_t nKind = kKindVolume;
    IStorageDevice* pDevice = nullptr; // what a scan reads

    // Volume form.
    uint32_t nDynamic = 0;       // 0 basic partition or floppy, 1 dynamic volume
    int32_t nFileSystemKind = 0; // kFsKind*
    char cDriveLetter = 0;       // 'A'..'Z', 0 when none
    char szLabel[100] = {};
    uint32_t bFloppy = 0;
    uint32_t bUsb = 0; // the partition's disk hangs on USB
    VolumeMemberExtent members[kMaxMembers];
    char szMemberText[512] = {}; // one disk description per member, "\n" between them

    // Image form.
    uint32_t nImageNumber = 0; // order in which the images were opened
    char szImageName[260] = {};
    uint64_t u64ImageSectorCount = 0;
    char szImagePath[260] = {};
    int32_t nImageFileSystemKind = 0;

    // Members before the first extent without a disk.
    int GetMemberCount() const;
};

// The devices it points to belong to the owner of the disk list.
struct DiskDeviceRecord {
    static constexpr size_t kStoredSize = 548;
    static constexpr uint32_t kKindDisk = 0;
    static constexpr uint32_t kKindImage = 1;

    uint32_t nKind = kKindDisk;
    IStorageDevice* pDevice = nullptr; // the disk, or the image device
    uint32_t nHeads = 0;               // heads per cylinder (of the disk, or as stored in the image)

    // Disk form.
    uint32_t bUsb = 0;
    IStorageDevice* pDiskDevice = nullptr; // the disk again: its identity names the disk in saved states
    char szDescription[50] = {};
    uint32_t bDynamic = 0;

    // Image form.
    uint32_t nImageNumber = 0;
    char szImageName[260] = {};
    uint64_t u64ImageSectorCount = 0;
    char szImagePath[260] = {};
};

// Which pointer slots of a stored record were set. Stored pointers mean nothing in another process, so
// decoding leaves the pointers null; the slots tell the loader what the record had.
struct StoredPointerSlots {
    bool device = false;
    bool diskDevice = false;                                         // DiskDeviceRecord only
    std::array<bool, VolumeDeviceRecord::kMaxMembers> memberDisks{}; // VolumeDeviceRecord only

    // Members before the first extent whose disk slot was 0.
    int MemberCount() const;
};

std::array<uint8_t, VolumeDeviceRecord::kStoredSize> EncodeVolumeDeviceRecord(const VolumeDeviceRecord& record);
// False when fewer than 1277 bytes are given. Text fields come back terminated within their size; pointer
// slots set anything non-zero as present.
bool DecodeVolumeDeviceRecord(std::span<const uint8_t> bytes, VolumeDeviceRecord& record,
                              StoredPointerSlots* slots = nullptr);

std::array<uint8_t, DiskDeviceRecord::kStoredSize> EncodeDiskDeviceRecord(const DiskDeviceRecord& record);
bool DecodeDiskDeviceRecord(std::span<const uint8_t> bytes, DiskDeviceRecord& record,
                            StoredPointerSlots* slots = nullptr);

// The disk list (open disk devices) and the volume list (records copied in) that the collectors fill. Both
// belong to the caller, and so do the devices they refer to (ReleaseCollectedDevices frees them).
using CStorageDeviceList = std::list<IStorageDevice*>;
using CVolumeDeviceRecordList = std::list<VolumeDeviceRecord>;
