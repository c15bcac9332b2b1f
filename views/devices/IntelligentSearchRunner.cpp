// The intelligent-search runner.
#include "views/devices/IntelligentSearchRunner.h"

#include "core/devices/IStorageDevice.h"
#include "filesystems/common/IFileSystemSearchController.h"
#include "filesystems/partitions/CIntelligentSearchController.h"
#include "filesystems/partitions/SearchedPartitionScoring.h"
#include "views/devices/CIntelligentSearchingDialog.h"

namespace {

void Search(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
            IIntelligentSearchCallback* callback)
{
    CIntelligentSearchController controller;
    controller.SetDevice(device);
    for (IFileSystemSearchController* s : scanners) controller.AddController(s);
    controller.Run(callback);
}

} // namespace

void CollectSearchedPartitions(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                               CSearchedPartitionList& found)
{
    for (IFileSystemSearchController* s : scanners) s->GetSearchedPartitions(found);
    RankSearchedPartitions(found);
    SortPartitionsByScore(found);
    SelectRecommendedPartitions(found, device->GetSectorCount(), uint32_t(device->GetSectorSize()));
}

void IntelligentSearchAndCollect(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                                 CSearchedPartitionList& found, IIntelligentSearchCallback* callback)
{
    if (!device) return;
    Search(device, scanners, callback);
    CollectSearchedPartitions(device, scanners, found);
}

void RunIntelligentSearch(IStorageDevice* device, const std::list<IFileSystemSearchController*>& scanners,
                          CSearchedPartitionList& found)
{
    if (!device) return;
    // A cancelled search keeps what the scanners found so far: it is collected like a complete one.
    if (!RunIntelligentSearchDialog([&](IIntelligentSearchCallback* cb) { Search(device, scanners, cb); })) return;
    CollectSearchedPartitions(device, scanners, found);
}
