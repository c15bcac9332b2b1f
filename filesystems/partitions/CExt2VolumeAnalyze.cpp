// ext2/ext3 volume analyser.
#include "filesystems/partitions/CExt2VolumeAnalyze.h"

CExt2VolumeAnalyze::CExt2VolumeAnalyze(IStorageDevice* device, uint64_t firstSector)
{
    CExt2Volume volume(device, firstSector);
    m_fileSystemKind = volume.GetFileSystemKind();
    m_totalSectors = volume.GetTotalSectors();
    volume.GetLabel(m_label, kLabelSize);
}
