// The lost-partition search in use.
#include "controller/LostPartitionSearch.h"

#include "filesystems/partitions/CLostPartitionSearchRunner.h"
#include "filesystems/partitions/DeviceRecords.h"

namespace {

LostPartitionSearch& Installed()
{
    static LostPartitionSearch search;
    return search;
}

const LostPartitionSearch& Direct()
{
    static const LostPartitionSearch search = [](const DiskDeviceRecord& disk,
                                                 std::vector<CLostPartitionRecord>& found) {
        if (!disk.pDevice) return PartitionSearchResult::Failed;
        // The engine knows 255 and 240 heads; anything else is searched as 255.
        const int heads = disk.nHeads == 240 ? 240 : 255;
        return CLostPartitionSearchRunner::SearchDisk(disk.pDevice, heads, found);
    };
    return search;
}

} // namespace

const LostPartitionSearch& GetLostPartitionSearch()
{
    return Installed() ? Installed() : Direct();
}

void SetLostPartitionSearch(LostPartitionSearch search)
{
    Installed() = std::move(search);
}
