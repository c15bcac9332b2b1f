// Stand-ins of the wizard tests: a host that records what the sheet asks of it, a page controller that
// counts its calls, and a page with such a controller.
#pragma once

#include "controller/IWizardPageController.h"
#include "controls/WindowMessages.h"
#include "wizard/CWizardPage.h"
#include "wizard/IWizardSheetHost.h"

#include <QWidget>
#include <vector>

class RecordingHost : public IWizardSheetHost {
public:
    std::vector<bool> resizable;
    int aboutShown = 0;
    int restarts = 0;
    bool restartPossible = true;
    void SetResizable(bool r) override { resizable.push_back(r); }
    void ShowAbout() override { ++aboutShown; }
    bool RequestRestart() override
    {
        ++restarts;
        return restartPossible;
    }
};

class CountingController : public IWizardPageController {
public:
    int activated = 0, home = 0, back = 0, nexts = 0;
    IWizardPageController* previous = nullptr;
    void Activate() override { ++activated; }
    void Home() override { ++home; }
    void Back() override { ++back; }
    bool next() override
    {
        ++nexts;
        return true;
    }
    void SetPrevious(IWizardPageController* p) override { previous = p; }
    IWizardPageController* GetPrevious() override { return previous; }
};

class FakePage : public CWizardPage {
public:
    explicit FakePage(int helpId, bool dialog = false) : m_helpId(helpId), m_dialog(dialog) {}
    CountingController controller;
    int dialogRuns = 0;
    IWizardPageController* GetController() override { return &controller; }
    int GetHelpContextId() override { return m_helpId; }
    bool IsShownAsDialog() const override { return m_dialog; }
    void RunAsDialog(CWizardSheet&) override { ++dialogRuns; }

private:
    int m_helpId;
    bool m_dialog;
};

// A top-level window standing for the main frame: it records the private messages it receives.
class FrameStandIn : public QWidget {
public:
    std::vector<unsigned> messages;

protected:
    void customEvent(QEvent* e) override
    {
        if (CWindowMessage* m = CWindowMessage::From(e)) messages.push_back(m->Message());
    }
};
