// The factory in use for the view's wizard sheet.
#include "app/WizardSheetHost.h"

namespace {

WizardSheetFactory& Installed()
{
    static WizardSheetFactory factory;
    return factory;
}

} // namespace

WizardSheetFactory GetWizardSheetFactory()
{
    if (Installed()) return Installed();
    return &CreateApplicationWizardSheet;
}

void SetWizardSheetFactory(WizardSheetFactory factory)
{
    Installed() = std::move(factory);
}
