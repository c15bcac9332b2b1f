// FileTypeRecord: RAW type of a found file from its name's extension (any of the type's, not only its short name).
#include "core/filetypes/FileTypeRecord.h"

#include "core/filetypes/FileExtension.h"
#include "core/filetypes/RawTypeMap.h"

bool FileTypeRecord::SetFromNameW(const char16_t* name, std::size_t length, int64_t firstCluster, int64_t recordSector)
{
    const char16_t* ext = nullptr;
    std::size_t count = 0;
    if (!GetExtensionW(name, length, &ext, &count)) return false;
    return Set(RawTypeMap::LookupExtension(ext, count), firstCluster, recordSector);
}

bool FileTypeRecord::SetFromNameA(const char* name, std::size_t length, int64_t firstCluster, int64_t recordSector)
{
    const char* ext = nullptr;
    std::size_t count = 0;
    if (!GetExtensionA(name, length, &ext, &count)) return false;
    return Set(RawTypeMap::LookupExtension(ext, count), firstCluster, recordSector);
}

bool FileTypeRecord::Set(int type, int64_t firstCluster, int64_t recordSector)
{
    if (type == 0 || firstCluster < 0 || recordSector < 0) return false;
    m_type = static_cast<uint16_t>(type);
    m_firstCluster = firstCluster;
    m_recordSector = recordSector;
    return true;
}
