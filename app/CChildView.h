// The main frame's only child: it hosts the wizard sheet, owns the sheet controller, keeps the sheet
// filling its area and passes Ctrl+O (command 32777) and F1 to it.
#pragma once

#include "app/WizardSheetHost.h"
#include "controller/CWizardSheetController.h"

#include <QWidget>
#include <memory>

class CChildView : public QWidget {
    Q_OBJECT
public:
    static constexpr unsigned kOpenCommand = 32777;
    static constexpr int kSheetControlId = 1314;
    static constexpr int kFirstPaneId = 0xE900;

    explicit CChildView(QWidget* parent);
    ~CChildView() override;

    // Creates the sheet through the factory, with host for its requests to the frame; false (with error
    // set) when it could not be made.
    bool Create(const WizardSheetFactory& factory, IWizardSheetHost* host, QString* error);

    IHostedWizardSheet* Sheet() const { return m_sheet.get(); }
    CWizardSheetController& SheetController() { return m_controller; }

    // WM_COMMAND: 32777 goes to the page shown.
    void OnCommand(unsigned command);
    // WM_HELP.
    void OnHelp();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    CWizardSheetController m_controller;
    std::unique_ptr<IHostedWizardSheet> m_sheet;
};
