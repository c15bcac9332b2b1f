// The controller of the recovery-mode page (page 0). Choosing a mode records it in the options object
// with the matching RAW type list and hands over to the file-type controller, which passes straight on
// to the device page of the mode.
#pragma once

#include "controller/IRecoveryModeSelectController.h"

class CRecoveryModeSelectController : public IRecoveryModeSelectController {
public:
    void Activate() override;
    void Home() override;
    void Back() override {}
    // Hands the mode to the file-type controller, activates it and calls its next at once.
    bool next() override;
    void SetPrevious(IWizardPageController* previous) override { m_previous = previous; }
    IWizardPageController* GetPrevious() override { return m_previous; }
    void SetMode(int mode) override { m_mode = mode; }
    int GetMode() override { return m_mode; }

    // A mode button of the page: ApplyModeToOptions, then SetMode and next.
    void ChooseMode(int mode, bool photo);
    // Sets the options' recovery mode and photo flag and replaces their RAW type list: the photo types
    // with the photo flag, else every fixed type 1..73.
    static void ApplyModeToOptions(int mode, bool photo);

private:
    int m_mode = 0;
    IWizardPageController* m_previous = nullptr;
};

// The process-wide controller, made on first use.
CRecoveryModeSelectController* GetRecoveryModeSelectController();
