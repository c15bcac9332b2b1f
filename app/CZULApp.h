// The application object: chooses the interface language and its bundle, makes sure only one instance
// runs, opens the log and writes its header, creates the main frame with the wizard, runs the message loop
// and undoes what it started at exit. The Qt application object must exist before it.
#pragma once

#include "app/CAppWizardServices.h"
#include "app/WizardSheetHost.h"
#include "app/shell/CSingleInstance.h"

#include <QString>
#include <QTranslator>
#include <memory>
#include <string>
#include <vector>

class CHelpViewer;
class CMainFrame;

class CZULApp {
public:
    // Exit statuses besides 0.
    static constexpr int kExitStartFailed = 1;

    explicit CZULApp(std::vector<std::string> arguments);
    ~CZULApp();
    CZULApp(const CZULApp&) = delete;
    CZULApp& operator=(const CZULApp&) = delete;

    // Start-up; false when the application must end at once (a second instance, no main frame).
    bool InitInstance();
    // The message loop. An allocation failure that leaves it ends the program with the out-of-memory
    // message and plat::kOutOfMemoryExitStatus.
    int Run();
    // Undoes start-up; returns the exit status given.
    int ExitInstance(int status);
    // InitInstance, Run when it succeeded, then ExitInstance: the process's exit status.
    int Main();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    // The viewer of help requests (from start-up to exit).
    CHelpViewer* GetHelpViewer() const { return m_help.get(); }
    // String 434, shown to a second instance.
    const QString& RunningMessage() const { return m_runningMessage; }
    // The factory of the client view's sheet (the application's own unless a test installs another).
    void SetSheetFactory(WizardSheetFactory factory) { m_sheetFactory = std::move(factory); }

private:
    void ChooseLanguageBundle();

    std::vector<std::string> m_arguments;
    QString m_runningMessage;
    CSingleInstance m_instance;
    CAppWizardServices m_services;
    WizardSheetFactory m_sheetFactory;
    std::string m_helpLanguage = "English"; // the book of the texts shown: the bundle's language
    std::unique_ptr<CHelpViewer> m_help;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_bundleLoaded = false;
    std::unique_ptr<QTranslator> m_qtTranslator; // Qt's own buttons and dialogs in the bundle's language
};
