// The found-file controller as its page calls it.
#pragma once

#include "controller/IWizardPageController.h"

class IStorageDevice;

class IFileSelectController : public IWizardPageController {
public:
    // The device of the recovery source (previews, thumbnails, single-file recovery, saving); null when none.
    virtual IStorageDevice* GetSourceDevice() = 0;
};
