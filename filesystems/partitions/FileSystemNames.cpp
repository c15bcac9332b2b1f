// The name and kind tables of volumes.
#include "filesystems/partitions/FileSystemNames.h"

#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/tree/CFileNode.h"

#include <algorithm>
#include <cstring>

namespace {

void CopyOut(const char* text, char* out, int size)
{
    if (!out || size <= 0) return;
    const size_t n = std::min(std::strlen(text), size_t(size) - 1);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

} // namespace

const char* GetFileSystemName(int32_t kind)
{
    const FileSystemKindInfo* info = FindFileSystemKind(kind);
    return info ? info->name : "UNKNOWN";
}

void GetFileSystemName(int32_t kind, char* out, int size)
{
    CopyOut(GetFileSystemName(kind), out, size);
}

const char* GetDynamicVolumeTypeName(int32_t type)
{
    switch (type) {
    case 2: return "SIMPLE";
    case 3: return "MIRROR";
    case 4: return "SPANNED";
    case 5: return "STRIPPED";
    case 6: return "RAID5";
    default: return "UNKNOWN";
    }
}

void GetDynamicVolumeTypeName(int32_t type, char* out, int size)
{
    CopyOut(GetDynamicVolumeTypeName(type), out, size);
}

int32_t GetFileSystemKindFromPartitionType(uint8_t type)
{
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (std::find(fs.partitionTypes.begin(), fs.partitionTypes.end(), type) != fs.partitionTypes.end())
            return fs.kind;
    return kFsKindNone;
}
