// The sheet controller: Home, Back and Next go to the controller of the sheet's current page, Help opens
// the current page's help topic. Owned by the window that hosts the sheet.
#pragma once

#include "controller/IWizardSheetController.h"

class IWizardSheet;

class CWizardSheetController : public IWizardSheetController {
public:
    // The sheet is not owned.
    void SetWizardSheet(IWizardSheet* sheet) { m_sheet = sheet; }
    IWizardSheet* GetWizardSheet() const { return m_sheet; }

    void Home() override;
    void Back() override;
    // The current controller's next; false without a sheet or page.
    bool Next() override;
    // The topic of the current page, whatever page is given.
    void ShowHelp(WIZARD_PAGE page) override;

private:
    IWizardSheet* m_sheet = nullptr;
};
