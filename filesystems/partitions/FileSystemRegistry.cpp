// The table of file-system kinds.
#include "filesystems/partitions/FileSystemRegistry.h"

#include "filesystems/common/CSearchedPartitionInfo.h"
#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/ext2/CExt2FileProperties.h"
#include "filesystems/ext2/CExt2SearchedPartitionInfo.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/fat/CFATFileProperties.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/fat/CFATSearchedPartitionInfo.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/CNTFSFileProperties.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/ntfs/CSearchedNTFSPartitionInfo.h"
#include "filesystems/partitions/CExt2VolumeAnalyze.h"
#include "filesystems/partitions/CFatVolumeAnalyze.h"
#include "filesystems/partitions/CNtfsVolumeAnalyze.h"
#include "filesystems/partitions/CPartitionEXT2SearchController.h"
#include "filesystems/partitions/CPartitionFATSearchController.h"
#include "filesystems/partitions/CPartitionNTFSSearchController.h"
#include "filesystems/partitions/VolumeDetection.h"
#include "filesystems/tree/FileSystemKind.h"
#include "filesystems/tree/IFileProperties.h"

#include <array>

namespace {

CFileSystemNode* BuildFat1216(IStorageDevice* volume, bool listEveryFile, IDIRBuildCallback* callback,
                              bytes::ParseResult* result)
{
    return BuildFAT(volume, false, listEveryFile, callback, result);
}

CFileSystemNode* BuildFat32(IStorageDevice* volume, bool listEveryFile, IDIRBuildCallback* callback,
                            bytes::ParseResult* result)
{
    return BuildFAT(volume, true, listEveryFile, callback, result);
}

CFileSystemNode* BuildNtfsVolume(IStorageDevice* volume, bool, IDIRBuildCallback* callback, bytes::ParseResult* result)
{
    return BuildNTFS(volume, callback, result);
}

CFileSystemNode* BuildExt2Volume(IStorageDevice* volume, bool, IDIRBuildCallback* callback, bytes::ParseResult* result)
{
    return BuildEXT2(volume, callback, result);
}

template <class Interface, class Made>
std::unique_ptr<Interface> Make()
{
    return std::make_unique<Made>();
}

template <class Analyser>
std::unique_ptr<IVolume> MakeAnalyser(IStorageDevice* device, uint64_t firstSector)
{
    return std::make_unique<Analyser>(device, firstSector);
}

template <class Info>
std::unique_ptr<CSearchedPartitionInfo> MakeSearchedPartition(unsigned sectorSize)
{
    return std::make_unique<Info>(sectorSize);
}

// Its superblock copy and descriptor table are read again when its tree is built: no sector size to keep.
std::unique_ptr<CSearchedPartitionInfo> MakeExt2SearchedPartition(unsigned)
{
    return std::make_unique<CExt2SearchedPartitionInfo>();
}

constexpr uint8_t kFat12Types[] = {0x01, 0x11};
constexpr uint8_t kFat16Types[] = {0x04, 0x06, 0x0E, 0x14, 0x16, 0x1E};
constexpr uint8_t kFat32Types[] = {0x0B, 0x0C, 0x1B};
constexpr uint8_t kNtfsTypes[] = {0x07, 0x17};
// Linux swap and LVM are among them: a partition of one is tried as ext2 and found to be none.
constexpr uint8_t kExt2Types[] = {0x82, 0x83, 0x85, 0x8E, 0x92, 0x93};

// The rows of a family after its first: only what differs from kind to kind.
constexpr FileSystemKindInfo MemberOf(int kind, const char* name, int family, std::span<const uint8_t> types,
                                      decltype(FileSystemKindInfo::buildVolumeTree) build, bool runsIn512)
{
    return {.kind = kind,
            .name = name,
            .family = family,
            .partitionTypes = types,
            .buildVolumeTree = build,
            .runsIn512ByteSectors = runsIn512,
            .makeScanner = nullptr,
            .scannerKind = -1,
            .makeVolumeAnalyser = nullptr,
            .volumeProbeOrder = -1,
            .makeLostPartitionScanner = nullptr,
            .detectBootSector = nullptr,
            .readDeviceLabel = nullptr,
            .searchedPartitionType = -1,
            .makeSearchedPartitionInfo = nullptr,
            .propertiesType = -1,
            .newProperties = nullptr};
}

constexpr std::array<FileSystemKindInfo, 6> kKinds = {{
    {.kind = kFsKindFat12,
     .name = "FAT12",
     .family = kFsKindFat12,
     .partitionTypes = kFat12Types,
     .buildVolumeTree = &BuildFat1216,
     .runsIn512ByteSectors = false,
     .makeScanner = &Make<IFileSystemSearchController, CFATSearchController>,
     .scannerKind = kSearchControllerFAT,
     .makeVolumeAnalyser = &MakeAnalyser<CFatVolumeAnalyze>,
     .volumeProbeOrder = 1,
     .makeLostPartitionScanner = &Make<IPartitionFileSystemSearchController, CPartitionFATSearchController>,
     .detectBootSector = &DetectFatBootSector,
     .readDeviceLabel = &ReadFatDeviceLabel,
     .searchedPartitionType = kSearchedPartitionFAT,
     .makeSearchedPartitionInfo = &MakeSearchedPartition<CFATSearchedPartitionInfo>,
     .propertiesType = kPropertiesFAT,
     .newProperties = []() -> IFileProperties* { return NewFATFileProperties(); }},
    MemberOf(kFsKindFat16, "FAT16", kFsKindFat12, kFat16Types, &BuildFat1216, false),
    MemberOf(kFsKindFat32, "FAT32", kFsKindFat12, kFat32Types, &BuildFat32, false),
    {.kind = kFsKindNtfs,
     .name = "NTFS",
     .family = kFsKindNtfs,
     .partitionTypes = kNtfsTypes,
     .buildVolumeTree = &BuildNtfsVolume,
     .runsIn512ByteSectors = false,
     .makeScanner = &Make<IFileSystemSearchController, CNTFSSearchController>,
     .scannerKind = kSearchControllerNTFS,
     .makeVolumeAnalyser = &MakeAnalyser<CNtfsVolumeAnalyze>,
     .volumeProbeOrder = 0,
     .makeLostPartitionScanner = &Make<IPartitionFileSystemSearchController, CPartitionNTFSSearchController>,
     .detectBootSector = &DetectNtfsBootSector,
     .readDeviceLabel = &ReadNtfsDeviceLabel,
     .searchedPartitionType = kSearchedPartitionNTFS,
     .makeSearchedPartitionInfo = &MakeSearchedPartition<CSearchedNTFSPartitionInfo>,
     .propertiesType = kPropertiesNTFS,
     .newProperties = []() -> IFileProperties* { return NewNTFSFileProperties(); }},
    {.kind = kFsKindExt2,
     .name = "EXT2",
     .family = kFsKindExt2,
     .partitionTypes = kExt2Types,
     .buildVolumeTree = &BuildExt2Volume,
     .runsIn512ByteSectors = true,
     .makeScanner = &Make<IFileSystemSearchController, CEXT2SearchController>,
     .scannerKind = kSearchControllerEXT2,
     .makeVolumeAnalyser = &MakeAnalyser<CExt2VolumeAnalyze>,
     .volumeProbeOrder = 2,
     .makeLostPartitionScanner = &Make<IPartitionFileSystemSearchController, CPartitionEXT2SearchController>,
     // Dynamic volumes of ext2 are neither recognised nor named.
     .detectBootSector = nullptr,
     .readDeviceLabel = nullptr,
     .searchedPartitionType = kSearchedPartitionExt2,
     .makeSearchedPartitionInfo = &MakeExt2SearchedPartition,
     .propertiesType = kPropertiesExt2,
     .newProperties = []() -> IFileProperties* { return NewExt2FileProperties(); }},
    MemberOf(kFsKindExt3, "EXT3", kFsKindExt2, {}, &BuildExt2Volume, true),
}};

constexpr bool RowsInKindOrder()
{
    for (size_t i = 1; i < kKinds.size(); ++i)
        if (kKinds[i - 1].kind >= kKinds[i].kind) return false;
    return true;
}
static_assert(RowsInKindOrder(), "kKinds must list the kinds in the order of their numbers");

constexpr bool FamiliesLeadTheirRows()
{
    for (const FileSystemKindInfo& row : kKinds) {
        const bool first = row.family == row.kind;
        bool found = false;
        for (const FileSystemKindInfo& lead : kKinds)
            if (lead.kind == row.family) found = lead.family == lead.kind && lead.kind <= row.kind;
        if (!found || first != (row.makeScanner != nullptr)) return false;
    }
    return true;
}
static_assert(FamiliesLeadTheirRows(), "each row's family must be an earlier row that leads its family");

} // namespace

std::span<const FileSystemKindInfo> FileSystemKinds()
{
    return kKinds;
}

const FileSystemKindInfo* FindFileSystemKind(int32_t kind)
{
    for (const FileSystemKindInfo& row : kKinds)
        if (row.kind == kind) return &row;
    return nullptr;
}

const FileSystemKindInfo* FindFileSystemFamily(int32_t kind)
{
    const FileSystemKindInfo* row = FindFileSystemKind(kind);
    return row ? FindFileSystemKind(row->family) : nullptr;
}
