// What the wizard sheet asks of the window that hosts it (the main frame): the frame's size mode, the
// about box, and a restart of the program once its window has closed. The sheet works without a host;
// then these do nothing and a restart cannot be arranged.
#pragma once

class IWizardSheetHost {
public:
    virtual ~IWizardSheetHost() = default;
    // Fixed size on the recovery-mode page, resizable on the others.
    virtual void SetResizable(bool resizable) = 0;
    virtual void ShowAbout() = 0;
    // Arranges for the program to start again after its main window has closed; false when it cannot.
    virtual bool RequestRestart() = 0;
};
