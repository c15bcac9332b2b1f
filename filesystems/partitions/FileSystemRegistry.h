// The file systems the program reads, one row per kind: its name, its partition-type ids, how the tree of a
// volume of the kind is built, and the pieces of its family: the format-search and lost-partition scanners,
// the volume analyser, the boot-sector test and label reader, and how a saved scan stores its found
// partitions and file properties. Code outside a file system's folder that needs any of these for a kind
// looks it up here instead of switching on the kind.
#pragma once

#include "core/bytes/ParseStatus.h"
#include "filesystems/common/IFileSystemSearchController.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

class CFileSystemNode;
class CSearchedPartitionInfo;
class IDIRBuildCallback;
class IFileProperties;
class IPartitionFileSystemSearchController;
class IStorageDevice;
class IVolume;

struct FileSystemKindInfo {
    int kind; // kFsKind... (filesystems/tree/FileSystemKind.h)
    const char* name;
    // The kind of the first row of its family: the rows of one family share one decoder (FAT12, FAT16 and
    // FAT32; EXT2 and EXT3), and the family's pieces below are set on that first row only.
    int family;
    // The MBR partition-type ids that name the kind (each id in one row at most).
    std::span<const uint8_t> partitionTypes;
    // Builds the found-file tree of a volume of this kind on a worker (the tree is the caller's; null when the
    // volume holds none or the build was cancelled, result telling which: Cancelled, or why there is no tree,
    // or whether reads failed under the tree). listEveryFile lists every file rather than folders and deleted
    // entries only, where the file system makes that difference (FAT).
    CFileSystemNode* (*buildVolumeTree)(IStorageDevice* volume, bool listEveryFile, IDIRBuildCallback* callback,
                                        bytes::ParseResult* result);
    // Whether the data runs of its found files count 512-byte sectors, so that saving reads them through the
    // device's 512-byte view rather than in the device's own sectors.
    bool runsIn512ByteSectors;

    // The family's pieces, on its first row only (null, or -1, on the others).
    // The scanner of the format search and the number a saved scan stores for it (its GetKind()).
    std::unique_ptr<IFileSystemSearchController> (*makeScanner)();
    int scannerKind;
    // The analyser that tells whether a volume of the family begins at a sector of a device (read while it is
    // made); the analysers are asked in the order of volumeProbeOrder, lowest first.
    std::unique_ptr<IVolume> (*makeVolumeAnalyser)(IStorageDevice* device, uint64_t firstSector);
    int volumeProbeOrder;
    // The test of a candidate sector of the lost-partition search.
    std::unique_ptr<IPartitionFileSystemSearchController> (*makeLostPartitionScanner)();
    // Optional: the kind a boot sector alone shows (kFsKindNone when it is not the family's), and the label of
    // a volume of the family at sector 0 of a device; dynamic volumes are recognised and named by these.
    int32_t (*detectBootSector)(std::span<const uint8_t> sector, int32_t sectorSize);
    bool (*readDeviceLabel)(IStorageDevice* device, std::string& label);
    // A found partition of a saved scan: the number stored for it (kSearchedPartition..., its GetKind()) and
    // an empty one of that kind for the stored form to be read into.
    int searchedPartitionType;
    std::unique_ptr<CSearchedPartitionInfo> (*makeSearchedPartitionInfo)(unsigned sectorSize);
    // Found-file properties in a saved tree: the number stored for them (kProperties..., their
    // GetPropertiesType()) and empty ones to read them into (the caller's).
    int propertiesType;
    IFileProperties* (*newProperties)();
};

// Every kind in kind order: FAT12, FAT16, FAT32, NTFS, EXT2, EXT3.
std::span<const FileSystemKindInfo> FileSystemKinds();
// The row of a kind; null for the kinds without a file system (RAW, none) and unknown numbers.
const FileSystemKindInfo* FindFileSystemKind(int32_t kind);
// The first row of the kind's family (the FAT12 row for FAT16); null where FindFileSystemKind is.
const FileSystemKindInfo* FindFileSystemFamily(int32_t kind);
