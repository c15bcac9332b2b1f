// The NTFS volume analyser: an NTFS boot sector at the first sector gives the kind, the size the boot sector
// states and the label from the $Volume record.
#pragma once

#include "filesystems/common/CAnalysedVolume.h"

class IStorageDevice;

// The device is read in the constructor and not kept.
class CNtfsVolumeAnalyze : public CAnalysedVolume {
public:
    CNtfsVolumeAnalyze(IStorageDevice* device, uint64_t firstSector);
};
