// The found-partition controller of partition recovery as its page calls it.
#pragma once

#include "controller/IWizardPageController.h"

class ILostRecoveryPartitionDeviceSelectController : public IWizardPageController {
public:
    // The page's "Full Scan" switch: on, next searches the whole disk instead of building a found partition.
    virtual void SetFullScan(int fullScan) = 0;
};
