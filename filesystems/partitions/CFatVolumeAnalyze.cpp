// FAT volume analyser.
#include "filesystems/partitions/CFatVolumeAnalyze.h"

#include "core/devices/IStorageDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/partitions/CFatVolumeLabelReader.h"
#include "filesystems/partitions/VolumeDetection.h"

#include <string>
#include <vector>

CFatVolumeAnalyze::CFatVolumeAnalyze(IStorageDevice* device, uint64_t firstSector)
{
    if (!device) return;
    const int32_t sectorSize = device->GetSectorSize();
    const std::vector<uint8_t> buffer = ReadBootSectors(device, firstSector, sectorSize, 4, 16384);
    if (buffer.empty()) return;
    const CFATDBR boot(buffer, sectorSize);
    if (!boot.IsValid()) return;
    m_fileSystemKind = boot.GetFATType();
    m_totalSectors = boot.GetTotalSectors();
    std::string label;
    if (CFatVolumeLabelReader(device).ReadLabel(firstSector, boot, label)) CopyFixedText(m_label, label);
}
