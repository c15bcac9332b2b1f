// Recognition of the NTFS system files by the name their record carries: the system-file table and the
// named tests ($MFT, $MFTMirr, $LogFile, $Volume, $Bitmap, $AttrDef, $UpCase), each on a record view or on a
// raw buffer (wrapped as a view on a private copy).
#pragma once

#include "filesystems/ntfs/CNTFSFileRecord.h"

#include <cstdint>
#include <span>
#include <string_view>

// The number of the system-file table row ($MFT 0 ... $UpCase 10, $Extend 11, $Quota 32, $ObjId 33,
// $Reparse 34) whose name the first $FILE_NAME of a base record carries, or -1.
int GetSystemFileNumber(const CNTFSFileRecord& record);
// A system-file number and $STANDARD_INFORMATION attributes with hidden (0x2) and system (0x4) both set.
bool IsSystemMetafile(const CNTFSFileRecord& record);
// The record's first $STANDARD_INFORMATION has hidden and system set and its first $FILE_NAME is the name.
// Whether the record is in use is not consulted.
bool IsMetafileNamed(const CNTFSFileRecord& record, std::u16string_view name);
bool IsMetafileNamed(std::span<const uint8_t> buffer, std::u16string_view name);

bool IsMftRecord(const CNTFSFileRecord& record);
bool IsMftMirrRecord(const CNTFSFileRecord& record);
bool IsLogFileRecord(const CNTFSFileRecord& record);
bool IsVolumeRecord(const CNTFSFileRecord& record);
bool IsBitmapRecord(const CNTFSFileRecord& record);
bool IsAttrDefRecord(const CNTFSFileRecord& record);
bool IsUpCaseRecord(const CNTFSFileRecord& record);
bool IsMftRecord(std::span<const uint8_t> buffer);
bool IsMftMirrRecord(std::span<const uint8_t> buffer);
bool IsLogFileRecord(std::span<const uint8_t> buffer);
bool IsVolumeRecord(std::span<const uint8_t> buffer);
bool IsBitmapRecord(std::span<const uint8_t> buffer);
bool IsAttrDefRecord(std::span<const uint8_t> buffer);
bool IsUpCaseRecord(std::span<const uint8_t> buffer);

// Raw buffer (no fix-ups, no validation): the directory flag is set and the first $INDEX_ALLOCATION is
// non-resident.
bool IsFolderWithIndexAllocation(std::span<const uint8_t> buffer);
