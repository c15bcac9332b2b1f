// The FAT volume analyser: a FAT12, FAT16 or FAT32 boot sector at the first sector gives the kind, the size
// the boot sector states and the label entry of the root directory.
#pragma once

#include "filesystems/common/CAnalysedVolume.h"

class IStorageDevice;

// The device is read in the constructor and not kept.
class CFatVolumeAnalyze : public CAnalysedVolume {
public:
    CFatVolumeAnalyze(IStorageDevice* device, uint64_t firstSector);
};
