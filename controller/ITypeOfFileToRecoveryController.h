// The controller of the file-type page: the page controller operations and the recovery mode it serves.
#pragma once

#include "controller/IWizardPageController.h"

class ITypeOfFileToRecoveryController : public IWizardPageController {
public:
    virtual void SetMode(int mode) = 0;
    virtual int GetMode() = 0;
};
