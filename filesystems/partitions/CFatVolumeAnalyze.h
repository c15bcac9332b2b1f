// The FAT volume analyser: a FAT12, FAT16 or FAT32 boot sector at the first sector gives the kind, the size
// the boot sector states and the label entry of the root directory.
#pragma once

#include "filesystems/common/IVolume.h"

class IStorageDevice;

// The device is read in the constructor and not kept.
class CFatVolumeAnalyze : public IVolume {
public:
    CFatVolumeAnalyze(IStorageDevice* device, uint64_t firstSector);

    int32_t GetFileSystemKind() override { return m_fileSystemKind; }
    uint64_t GetTotalSectors() override { return m_totalSectors; }
    void GetLabel(char* buffer, int size) override;

private:
    int32_t m_fileSystemKind = 7;
    char m_label[kLabelSize] = {};
    uint64_t m_totalSectors = 0;
};
