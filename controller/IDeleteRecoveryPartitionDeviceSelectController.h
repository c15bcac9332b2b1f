// The deleted-file volume controller as its page calls it: the page-controller operations and the
// device-list commands of the page.
#pragma once

#include "controller/IWizardPageController.h"

class IDeleteRecoveryPartitionDeviceSelectController : public IWizardPageController {
public:
    // Starts a new enumeration of the machine's volumes; returns at once.
    virtual void RefreshDeviceList() = 0;
    virtual void CreateDiskImage() = 0;
    virtual void OpenDiskImage() = 0;
    virtual void RemoveSelectedImage() = 0;
    // Stores the selected row's record; 1 when a row is selected.
    virtual int UpdateSelection() = 0;
    // The same store; 1 when the selected row is a disk image.
    virtual int IsImageSelected() = 0;
};
