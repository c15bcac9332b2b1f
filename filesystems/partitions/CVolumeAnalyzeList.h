// Asks the volume analysers of the file-system registry, in its probe order (NTFS, FAT, ext2), what begins at
// a sector; the first that recognises a file system answers.
#pragma once

#include "filesystems/common/IVolume.h"

#include <memory>
#include <vector>

class IStorageDevice;

// Owns its analysers. The device is only read while the list is made.
class CVolumeAnalyzeList {
public:
    CVolumeAnalyzeList(IStorageDevice* device, uint64_t firstSector);

    // The first analyser whose kind is not 7; the last analyser (kind 7) when none recognised anything.
    // Owned by the list; never null.
    IVolume* FindFirstKnown() const;
    const std::vector<std::unique_ptr<IVolume>>& Analysers() const { return m_analysers; }

private:
    std::vector<std::unique_ptr<IVolume>> m_analysers;
};
