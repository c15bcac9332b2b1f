// What the controllers see of the wizard sheet window: which page shows and whether Next may be pressed.
// The sheet registers itself here while it exists; tests register a stand-in.
#pragma once

#include "controller/WizardTypes.h"

class IWizardPageController;

class IWizardSheet {
public:
    virtual ~IWizardSheet() = default;
    virtual void SetActivePage(WIZARD_PAGE page) = 0;
    virtual void EnableNextButton(bool enable) = 0;
    // The controller of the page shown, null when no page shows.
    virtual IWizardPageController* GetCurrentController() = 0;
    // The help topic of the page shown, 0 when no page shows.
    virtual int GetCurrentHelpContextId() = 0;
};

// The sheet in use, or null. Not owned.
IWizardSheet* GetWizardSheet();
void SetWizardSheet(IWizardSheet* sheet);
