// The controller of the save-result page (page 5, shown in its own dialog): it keeps the chain back and what
// the last save came to, judged by the one verdict every road uses.
#pragma once

#include "controller/IWizardPageController.h"
#include "storage/saving/SaveVerdict.h"

class CSaveResultController : public IWizardPageController {
public:
    void Activate() override;
    void Home() override;
    void Back() override;
    bool next() override { return true; }
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    int GetScanKind() override { return m_previous ? m_previous->GetScanKind() : kScanNone; }

    // What the last save came to, and its verdict.
    void SetTally(const SaveTally& tally) { m_tally = tally; }
    const SaveTally& GetTally() const { return m_tally; }
    SaveVerdict GetVerdict() const { return JudgeSave(m_tally); }

private:
    IWizardPageController* m_previous = nullptr;
    SaveTally m_tally;
};

CSaveResultController* GetSaveResultController();
