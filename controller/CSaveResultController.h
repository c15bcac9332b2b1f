// The controller of the save-result page (page 5, shown in its own dialog): it only keeps the chain back.
#pragma once

#include "controller/IWizardPageController.h"

class CSaveResultController : public IWizardPageController {
public:
    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override { return true; }
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    int GetScanKind() override { return m_previous ? m_previous->GetScanKind() : kScanNone; }

private:
    IWizardPageController* m_previous = nullptr;
};

CSaveResultController* GetSaveResultController();
