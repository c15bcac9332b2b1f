// The partition-recovery disk controller as its page calls it: the page-controller operations, the
// device-list commands of the page and the removal of the "Previous Recovery..." row.
#pragma once

#include "controller/IWizardPageController.h"

class ILostRecoveryDiskDeviceSelectController : public IWizardPageController {
public:
    // Starts a new enumeration of the machine's disks; returns at once.
    virtual void RefreshDeviceList() = 0;
    virtual void CreateDiskImage() = 0;
    virtual void OpenDiskImage() = 0;
    virtual void RemoveSelectedImage() = 0;
    // Stores the selected row's record; 1 when a row is selected.
    virtual int UpdateSelection() = 0;
    // The same store; 1 when the selected row is a disk image.
    virtual int IsImageSelected() = 0;
    // -1 without a selected row; 0 when the selected row is a device row (nothing changes); else the
    // "Previous Recovery..." row goes with its state file, and the result of that removal.
    virtual int RemovePreviousRecovery() = 0;
};
