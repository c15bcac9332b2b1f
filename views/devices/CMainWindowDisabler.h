// Disables the application's main window while a runner's progress dialog is shown, and enables it again
// when it goes out of scope. The main window is every visible top-level window that was enabled, apart
// from the dialog itself, so that a runner needs no pointer to the frame above it.
#pragma once

#include <QPointer>
#include <QWidget>
#include <vector>

class CMainWindowDisabler {
public:
    explicit CMainWindowDisabler(const QWidget* except);
    ~CMainWindowDisabler();
    CMainWindowDisabler(const CMainWindowDisabler&) = delete;
    CMainWindowDisabler& operator=(const CMainWindowDisabler&) = delete;

private:
    std::vector<QPointer<QWidget>> m_disabled;
};
