// The sheet's navigation commands, forwarded to the controller of the page shown.
#pragma once

#include "controller/WizardTypes.h"

class IWizardSheetController {
public:
    virtual ~IWizardSheetController() = default;
    virtual void Home() = 0;
    virtual void Back() = 0;
    virtual bool Next() = 0;
    virtual void ShowHelp(WIZARD_PAGE page) = 0;
};
