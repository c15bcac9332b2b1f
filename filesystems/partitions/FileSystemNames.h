// Code-to-name tables of volumes: file-system kind names, dynamic-volume type names, and the file-system
// kind an MBR partition type stands for.
#pragma once

#include <cstdint>
#include <string>

// "FAT12", "FAT16", "FAT32", "NTFS", "EXT2", "EXT3" for kinds 0 to 5, "UNKNOWN" for any other.
const char* GetFileSystemName(int32_t kind);
// The same text copied into a caller's buffer of size bytes (cut to fit, always terminated when size > 0).
void GetFileSystemName(int32_t kind, char* out, int size);

// 2 "SIMPLE", 3 "MIRROR", 4 "SPANNED", 5 "STRIPPED", 6 "RAID5", any other "UNKNOWN".
const char* GetDynamicVolumeTypeName(int32_t type);
void GetDynamicVolumeTypeName(int32_t type, char* out, int size);

// The kind whose row of the file-system registry lists the MBR partition type: FAT12 for 0x01/0x11, FAT16 for 0x04/0x06/0x0E/0x14/0x16/0x1E, FAT32 for 0x0B/0x0C/0x1B, NTFS for 0x07/0x17,
// EXT2 for 0x82/0x83/0x85/0x8E/0x92/0x93, otherwise 7 (none).
int32_t GetFileSystemKindFromPartitionType(uint8_t type);
