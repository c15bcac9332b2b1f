// Recognising an ext2 or ext3 file system at a sector: kind, size and label, or kind 7.
#include "filesystems/ext2/CExt2Volume.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/ext2/CExt2FileSystem.h"
#include "filesystems/tree/CFileNode.h"

#include <algorithm>
#include <cstring>
#include <exception>

CExt2Volume::CExt2Volume(IStorageDevice* device, uint64_t startSector)
{
    try {
        if (!device) return;
        const int32_t sectorSize = device->GetSectorSize();
        const uint64_t ratio = sectorSize >= 512 ? uint64_t(sectorSize) / 512 : 1;
        if (startSector > (UINT64_MAX - 2) / ratio) return;
        const CExt2FileSystem fs(device->GetAs512SectorDevice(), startSector * ratio + 2);
        const std::string name = fs.GetVolumeName();
        const size_t length = std::min<size_t>(name.size(), 16);
        std::memcpy(m_label, name.data(), length);
        m_label[length] = '\0';
        m_totalSectors = fs.GetSizeInBytes() / 512 / ratio;
        m_fileSystemKind = fs.GetKind();
    } catch (const std::exception&) {
        m_fileSystemKind = kFsKindNone;
        m_label[0] = '\0';
        m_totalSectors = 0;
    }
}

void CExt2Volume::GetLabel(char* buffer, int size)
{
    if (!buffer || size < 1) return;
    const size_t count = std::min(std::strlen(m_label) + 1, size_t(size));
    std::memcpy(buffer, m_label, count);
    buffer[size - 1] = '\0';
}
