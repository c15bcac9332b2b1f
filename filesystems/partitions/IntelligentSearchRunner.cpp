// The intelligent-search runner.
#include "filesystems/partitions/IntelligentSearchRunner.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/partitions/CIntelligentSearchController.h"
#include "filesystems/partitions/SearchedPartitionScoring.h"

void CollectSearchedPartitions(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                               CSearchedPartitionList& found)
{
    for (IFileSystemSearchController* s : scanners) s->GetSearchedPartitions(found);
    RankSearchedPartitions(found);
    SortPartitionsByScore(found);
    SelectRecommendedPartitions(found, device->GetSectorCount(), uint32_t(device->GetSectorSize()));
}

IntelligentSearchEnd RunIntelligentSearch(IStorageDevice* device,
                                          const std::list<IFileSystemSearchController*>& scanners,
                                          CSearchedPartitionList& found, const IntelligentSearchProgress& progress)
{
    if (!device) return IntelligentSearchEnd::NotRun;
    CIntelligentSearchController controller;
    controller.SetDevice(device);
    for (IFileSystemSearchController* s : scanners) controller.AddController(s);
    int ran = 0;
    const auto search = [&](IIntelligentSearchCallback* callback) { ran = controller.Run(callback); };
    if (progress) {
        if (!progress(search)) return IntelligentSearchEnd::NotRun;
    } else {
        search(nullptr);
    }
    if (!ran) return IntelligentSearchEnd::NotRun;
    // What the scanners hold is collected whether the search ran to its end or was stopped.
    CollectSearchedPartitions(device, scanners, found);
    return controller.WasCancelled() ? IntelligentSearchEnd::Cancelled : IntelligentSearchEnd::Finished;
}
