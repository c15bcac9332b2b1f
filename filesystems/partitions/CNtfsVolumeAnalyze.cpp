// NTFS volume analyser.
#include "filesystems/partitions/CNtfsVolumeAnalyze.h"

#include "core/devices/IStorageDevice.h"
#include "core/filetypes/FixedText.h"
#include "filesystems/ntfs/CNTFSDBR.h"
#include "filesystems/ntfs/NtfsVolumeLabel.h"
#include "filesystems/partitions/VolumeDetection.h"
#include "filesystems/tree/CFileNode.h"

#include <string>
#include <vector>

CNtfsVolumeAnalyze::CNtfsVolumeAnalyze(IStorageDevice* device, uint64_t firstSector)
{
    if (!device) return;
    const std::vector<uint8_t> buffer = ReadBootSectors(device, firstSector, device->GetSectorSize(), 1, 4096);
    if (buffer.empty()) return;
    CNTFSDBR boot;
    if (!boot.Attach(buffer)) return;
    m_fileSystemKind = kFsKindNtfs;
    m_totalSectors = boot.GetTotalSectors();
    std::string label;
    if (CNtfsVolumeLabelReader(device).ReadLabel(firstSector, boot, label)) CopyFixedText(m_label, label);
}
