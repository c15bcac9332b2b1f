// The table of file-system kinds.
#include "filesystems/partitions/FileSystemRegistry.h"

#include "filesystems/ext2/BuildEXT2.h"
#include "filesystems/ext2/CEXT2SearchController.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/fat/CFATSearchController.h"
#include "filesystems/ntfs/BuildNTFS.h"
#include "filesystems/ntfs/CNTFSSearchController.h"
#include "filesystems/tree/FileSystemKind.h"

#include <array>

namespace {

CFileSystemNode* BuildFat1216(IStorageDevice* volume, bool listEveryFile, IDIRBuildCallback* callback, bool* cancelled)
{
    return BuildFAT(volume, false, listEveryFile, callback, cancelled);
}

CFileSystemNode* BuildFat32(IStorageDevice* volume, bool listEveryFile, IDIRBuildCallback* callback, bool* cancelled)
{
    return BuildFAT(volume, true, listEveryFile, callback, cancelled);
}

CFileSystemNode* BuildNtfsVolume(IStorageDevice* volume, bool, IDIRBuildCallback* callback, bool* cancelled)
{
    return BuildNTFS(volume, callback, cancelled);
}

CFileSystemNode* BuildExt2Volume(IStorageDevice* volume, bool, IDIRBuildCallback* callback, bool* cancelled)
{
    return BuildEXT2(volume, callback, cancelled);
}

template <class Scanner>
std::unique_ptr<IFileSystemSearchController> MakeScanner()
{
    return std::make_unique<Scanner>();
}

constexpr std::array<FileSystemKindInfo, 6> kKinds = {{
    {kFsKindFat12, "FAT12", &BuildFat1216, &MakeScanner<CFATSearchController>, kSearchControllerFAT},
    {kFsKindFat16, "FAT16", &BuildFat1216, nullptr, -1},
    {kFsKindFat32, "FAT32", &BuildFat32, nullptr, -1},
    {kFsKindNtfs, "NTFS", &BuildNtfsVolume, &MakeScanner<CNTFSSearchController>, kSearchControllerNTFS},
    {kFsKindExt2, "EXT2", &BuildExt2Volume, &MakeScanner<CEXT2SearchController>, kSearchControllerEXT2},
    {kFsKindExt3, "EXT3", &BuildExt2Volume, nullptr, -1},
}};

constexpr bool RowsInKindOrder()
{
    for (size_t i = 0; i < kKinds.size(); ++i)
        if (kKinds[i].kind != static_cast<int>(i)) return false;
    return true;
}
static_assert(RowsInKindOrder(), "kKinds must list the kinds in the order of their numbers");

} // namespace

std::span<const FileSystemKindInfo> FileSystemKinds()
{
    return kKinds;
}

const FileSystemKindInfo* FindFileSystemKind(int32_t kind)
{
    if (kind < 0 || static_cast<size_t>(kind) >= kKinds.size()) return nullptr;
    return &kKinds[static_cast<size_t>(kind)];
}
