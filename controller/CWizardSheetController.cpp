// Forwarding of the sheet's navigation commands.
#include "controller/CWizardSheetController.h"

#include "controller/IWizardPageController.h"
#include "controller/IWizardSheet.h"
#include "core/HelpTopic.h"
#include "platform/Log.h"

namespace {

IWizardPageController* CurrentController(IWizardSheet* sheet)
{
    IWizardPageController* controller = sheet ? sheet->GetCurrentController() : nullptr;
    if (!controller) LogError("Wizard: no controller for the current page");
    return controller;
}

} // namespace

void CWizardSheetController::Home()
{
    if (IWizardPageController* c = CurrentController(m_sheet)) c->Home();
}

void CWizardSheetController::Back()
{
    if (IWizardPageController* c = CurrentController(m_sheet)) c->Back();
}

bool CWizardSheetController::Next()
{
    IWizardPageController* c = CurrentController(m_sheet);
    return c ? c->next() : false;
}

void CWizardSheetController::ShowHelp(WIZARD_PAGE)
{
    if (m_sheet) OpenHelpTopic(nullptr, m_sheet->GetCurrentHelpContextId());
}
