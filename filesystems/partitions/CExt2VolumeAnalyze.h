// The ext2/ext3 volume analyser in the analyser list: the ext2 reader's own volume test behind IVolume.
#pragma once

#include "filesystems/ext2/CExt2Volume.h"
#include "filesystems/common/CAnalysedVolume.h"

// The device is read in the constructor and not kept.
class CExt2VolumeAnalyze : public CAnalysedVolume {
public:
    CExt2VolumeAnalyze(IStorageDevice* device, uint64_t firstSector);
};
