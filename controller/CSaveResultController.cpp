// The save-result controller.
#include "controller/CSaveResultController.h"

#include "controller/IWizardSheet.h"

void CSaveResultController::Activate()
{
    if (IWizardSheet* sheet = GetWizardSheet()) sheet->SetActivePage(WP_SAVE_RESULT);
}

void CSaveResultController::Home()
{
    Reset();
    if (m_previous) m_previous->Home();
}

void CSaveResultController::Back()
{
    Reset();
    if (m_previous) m_previous->Back();
}

CSaveResultController* GetSaveResultController()
{
    static CSaveResultController controller;
    return &controller;
}
