// The whole-device search under its dialog.
#include "wizard/WholeDeviceSearchDialog.h"

#include "views/devices/CIntelligentSearchingDialog.h"
#include "views/devices/IntelligentSearchRunner.h"

bool RunWholeDeviceSearchDialog(IStorageDevice* device, const CSearchControllerList& scanners,
                                CSearchedPartitionList& found)
{
    bool cancelled = false;
    CSearchedPartitionList collected;
    const bool ran = RunIntelligentSearchDialog([&](IIntelligentSearchCallback* callback) {
        IntelligentSearchAndCollect(device, scanners, collected, callback);
        cancelled = callback && callback->IsCancelled();
    });
    if (!ran || cancelled) {
        for (CSearchedPartitionInfo* partition : collected) DeleteSearchedPartitionInfo(partition);
        return false;
    }
    found.splice(found.end(), collected);
    return true;
}
