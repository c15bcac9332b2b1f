// The seam between the client view and the wizard sheet it hosts: the view asks a factory for the sheet,
// made as a child of the view and linked with the view's sheet controller, and afterwards reaches it only
// through IHostedWizardSheet. The application's factory builds the wizard's sheet; tests install their own.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QWidget;
class CWizardSheetController;
class IWizardSheetHost;

class IHostedWizardSheet {
public:
    virtual ~IHostedWizardSheet() = default;
    // The sheet's window, a child of the view.
    virtual QWidget* Window() = 0;
    // Passes a command (such as 32777, Ctrl+O) to the page shown.
    virtual void SendCommandToPage(unsigned command) = 0;
    // The help topic of the page shown.
    virtual void OnHelp() = 0;
};

// Makes the sheet inside parent, links it with controller both ways and gives it host (the main frame's
// services). On failure returns null and sets error to the reason; start-up then stops.
using WizardSheetFactory = std::function<std::unique_ptr<IHostedWizardSheet>(
    QWidget* parent, CWizardSheetController* controller, IWizardSheetHost* host, QString* error)>;

// The factory in use: the one installed, else the application's own.
WizardSheetFactory GetWizardSheetFactory();
// Installs a factory (an empty one restores the application's own).
void SetWizardSheetFactory(WizardSheetFactory factory);

// The application's own factory: the wizard's sheet singleton.
std::unique_ptr<IHostedWizardSheet> CreateApplicationWizardSheet(QWidget* parent, CWizardSheetController* controller,
                                                                 IWizardSheetHost* host, QString* error);
