// Default operations of the page controllers.
#include "controller/IWizardPageController.h"

#include "controller/IWizardServices.h"

void IWizardPageController::ShowAdvanceSetting()
{
    GetWizardServices()->ShowAdvanceSetting(false);
}
