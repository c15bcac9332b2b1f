// The file systems the program reads, one row per kind: its name, how the tree of a volume of the kind is built
// and the format-search scanner of its family. Code that needs any of these for a kind looks it up here instead
// of switching on the kind.
#pragma once

#include "filesystems/common/IFileSystemSearchController.h"

#include <cstdint>
#include <memory>
#include <span>

class CFileSystemNode;
class IDIRBuildCallback;
class IStorageDevice;

struct FileSystemKindInfo {
    int kind; // kFsKind... (filesystems/tree/FileSystemKind.h)
    const char* name;
    // Builds the found-file tree of a volume of this kind on a worker (the tree is the caller's; null when the
    // volume holds none or the build was cancelled, cancelled telling which). listEveryFile lists every file
    // rather than folders and deleted entries only, where the file system makes that difference (FAT).
    CFileSystemNode* (*buildVolumeTree)(IStorageDevice* volume, bool listEveryFile, IDIRBuildCallback* callback,
                                        bool* cancelled);
    // The scanner of the format search for the kind's family; set on the family's first row only (the FAT
    // scanner finds FAT12, FAT16 and FAT32 alike).
    std::unique_ptr<IFileSystemSearchController> (*makeScanner)();
    // The number a saved scan stores for that scanner (kSearchController..., its GetKind()); -1 without one.
    int scannerKind;
};

// Every kind in kind order: FAT12, FAT16, FAT32, NTFS, EXT2, EXT3.
std::span<const FileSystemKindInfo> FileSystemKinds();
// The row of a kind; null for the kinds without a file system (RAW, none) and unknown numbers.
const FileSystemKindInfo* FindFileSystemKind(int32_t kind);
