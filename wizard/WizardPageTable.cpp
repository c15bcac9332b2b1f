// The wizard's page table.
#include "wizard/WizardPageTable.h"

#include "controller/CRecoveryModeSelectController.h"
#include "controller/CTypeOfFileToRecoveryController.h"
#include "wizard/CRecoveryModeSelectPage.h"
#include "wizard/CTypeOfFileToRecoveryPage.h"

namespace {
constexpr unsigned kModeCommentBitmap = 152;
}

std::vector<WizardPageEntry> DefaultWizardPages()
{
    return {
        {WP_RECOVERY_MODE,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CRecoveryModeSelectPage>(kModeCommentBitmap);
             page->SetController(GetRecoveryModeSelectController());
             return page;
         }},
        {WP_TYPE_OF_FILE,
         []() -> std::unique_ptr<CWizardPage> {
             auto page = std::make_unique<CTypeOfFileToRecoveryPage>();
             CTypeOfFileToRecoveryController* controller = GetTypeOfFileToRecoveryController();
             controller->SetPage(page.get());
             page->SetController(controller);
             return page;
         }},
    };
}
