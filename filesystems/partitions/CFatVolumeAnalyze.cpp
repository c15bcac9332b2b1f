// FAT volume analyser.
#include "filesystems/partitions/CFatVolumeAnalyze.h"

#include "core/devices/IStorageDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/fat/CFATDBR.h"
#include "filesystems/partitions/CFatVolumeLabelReader.h"

#include <algorithm>
#include <string>
#include <vector>

CFatVolumeAnalyze::CFatVolumeAnalyze(IStorageDevice* device, uint64_t firstSector)
{
    if (!device) return;
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0) return;
    std::vector<uint8_t> buffer(std::max<size_t>(16384, size_t(sectorSize) * 4), 0);
    if (!device->ReadSectors(buffer.data(), firstSector, 4)) return;
    const CFATDBR boot(buffer, sectorSize);
    if (!boot.IsValid()) return;
    m_fileSystemKind = boot.GetFATType();
    m_totalSectors = boot.GetTotalSectors();
    std::string label;
    if (CFatVolumeLabelReader(device).ReadLabel(firstSector, boot, label)) CopyFixedText(m_label, label);
}

void CFatVolumeAnalyze::GetLabel(char* buffer, int size) { CopyVolumeLabel(m_label, buffer, size); }
