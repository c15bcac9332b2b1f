// The analyser list in its fixed order.
#include "filesystems/partitions/CVolumeAnalyzeList.h"

#include "filesystems/partitions/FileSystemRegistry.h"
#include "filesystems/tree/CFileNode.h"

#include <algorithm>

CVolumeAnalyzeList::CVolumeAnalyzeList(IStorageDevice* device, uint64_t firstSector)
{
    std::vector<const FileSystemKindInfo*> families;
    for (const FileSystemKindInfo& fs : FileSystemKinds())
        if (fs.makeVolumeAnalyser) families.push_back(&fs);
    std::stable_sort(families.begin(), families.end(), [](const FileSystemKindInfo* a, const FileSystemKindInfo* b) {
        return a->volumeProbeOrder < b->volumeProbeOrder;
    });
    for (const FileSystemKindInfo* fs : families) m_analysers.push_back(fs->makeVolumeAnalyser(device, firstSector));
}

IVolume* CVolumeAnalyzeList::FindFirstKnown() const
{
    for (const auto& analyser : m_analysers)
        if (analyser->GetFileSystemKind() != kFsKindNone) return analyser.get();
    return m_analysers.back().get();
}
