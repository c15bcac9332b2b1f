// What the partition-recovery disk controller sees of its page: the device list and dialogs of every device
// page, and the question asked when the search of a disk found no lost partition.
#pragma once

#include "controller/IDeviceSelectView.h"

class ILostDiskView : public virtual IDeviceSelectView {
public:
    // "No lost partition was found" with the offer to search the whole disk; true when the user wants it.
    virtual bool AskFullScanAfterEmptySearch() = 0;
};
