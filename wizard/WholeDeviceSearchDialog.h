// The whole-device search as the pages that start one run it: on a worker under the intelligent-search
// dialog, with the user's Cancel throwing away what was found. User-interface thread only.
#pragma once

#include "controller/WholeDeviceSearch.h"

class IStorageDevice;

// found receives the partitions, ranked and sorted (owned by the caller); false when the user cancelled the
// search or it could not run (found is then left as it was).
bool RunWholeDeviceSearchDialog(IStorageDevice* device, const CSearchControllerList& scanners,
                                CSearchedPartitionList& found);
