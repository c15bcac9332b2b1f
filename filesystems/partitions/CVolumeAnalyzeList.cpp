// The analyser list in its fixed order.
#include "filesystems/partitions/CVolumeAnalyzeList.h"

#include "filesystems/partitions/CExt2VolumeAnalyze.h"
#include "filesystems/partitions/CFatVolumeAnalyze.h"
#include "filesystems/partitions/CNtfsVolumeAnalyze.h"
#include "filesystems/tree/CFileNode.h"

CVolumeAnalyzeList::CVolumeAnalyzeList(IStorageDevice* device, uint64_t firstSector)
{
    m_analysers.push_back(std::make_unique<CNtfsVolumeAnalyze>(device, firstSector));
    m_analysers.push_back(std::make_unique<CFatVolumeAnalyze>(device, firstSector));
    m_analysers.push_back(std::make_unique<CExt2VolumeAnalyze>(device, firstSector));
}

IVolume* CVolumeAnalyzeList::FindFirstKnown() const
{
    for (const auto& analyser : m_analysers)
        if (analyser->GetFileSystemKind() != kFsKindNone) return analyser.get();
    return m_analysers.back().get();
}
