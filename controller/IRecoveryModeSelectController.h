// The controller of the recovery-mode page: the page controller operations and the chosen mode.
#pragma once

#include "controller/IWizardPageController.h"

class IRecoveryModeSelectController : public IWizardPageController {
public:
    virtual void SetMode(int mode) = 0;
    virtual int GetMode() = 0;
};
