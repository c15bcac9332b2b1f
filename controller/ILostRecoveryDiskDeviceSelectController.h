// The partition-recovery disk controller as its page calls it: the page-controller operations, the
// device-list commands of the page and the removal of the "Previous Recovery..." row.
#pragma once

#include "controller/IDeviceListCommands.h"
#include "controller/IWizardPageController.h"

// The device-list commands (RefreshDeviceList, the disk-image menu, the selection) enumerate disks here.
class ILostRecoveryDiskDeviceSelectController : public IWizardPageController, public IDeviceListCommands {
public:
    // -1 without a selected row; 0 when the selected row is a device row (nothing changes); else the
    // "Previous Recovery..." row goes with its state file, and the result of that removal.
    virtual int RemovePreviousRecovery() = 0;
};
