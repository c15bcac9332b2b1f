// NTFS volume analyser.
#include "filesystems/partitions/CNtfsVolumeAnalyze.h"

#include "core/devices/IStorageDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"
#include "filesystems/tree/CFileNode.h"

#include <algorithm>
#include <string>
#include <vector>

CNtfsVolumeAnalyze::CNtfsVolumeAnalyze(IStorageDevice* device, uint64_t firstSector)
{
    if (!device) return;
    const int32_t sectorSize = device->GetSectorSize();
    if (sectorSize <= 0) return;
    std::vector<uint8_t> buffer(std::max<size_t>(4096, size_t(sectorSize)), 0);
    if (!device->ReadSectors(buffer.data(), firstSector, 1)) return;
    CNTFSDBR boot;
    if (!boot.Attach(buffer)) return;
    m_fileSystemKind = kFsKindNtfs;
    m_totalSectors = boot.GetTotalSectors();
    std::string label;
    if (CNtfsVolumeLabelReader(device).ReadLabel(firstSector, boot, label)) CopyFixedText(m_label, label);
}

void CNtfsVolumeAnalyze::GetLabel(char* buffer, int size) { CopyVolumeLabel(m_label, buffer, size); }
