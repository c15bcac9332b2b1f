// The ext2/ext3 volume analyser in the analyser list: the ext2 reader's own volume test behind IVolume.
#pragma once

#include "filesystems/ext2/CExt2Volume.h"
#include "filesystems/common/IVolume.h"

// The device is read in the constructor and not kept.
class CExt2VolumeAnalyze : public IVolume {
public:
    CExt2VolumeAnalyze(IStorageDevice* device, uint64_t firstSector);

    int32_t GetFileSystemKind() override { return m_fileSystemKind; }
    uint64_t GetTotalSectors() override { return m_totalSectors; }
    void GetLabel(char* buffer, int size) override;

private:
    int32_t m_fileSystemKind = 7;
    char m_label[kLabelSize] = {};
    uint64_t m_totalSectors = 0;
};
