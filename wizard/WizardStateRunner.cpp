// The wizard's runner of the state-file save and restore.
#include "wizard/WizardStateRunner.h"

#include "controls/CResourceLibrary.h"
#include "platform/Log.h"
#include "views/devices/CBuildDirectoryDlg.h"
#include "views/devices/CDIRBuildCallback.h"
#include "views/devices/CMainWindowDisabler.h"

#include <QApplication>
#include <QEventLoop>

#include <atomic>
#include <thread>

namespace {

void Pump()
{
    QApplication::processEvents(QEventLoop::AllEvents, 10);
}

bool RunGuarded(const WizardStateJob& job, IDIRBuildCallback* callback)
{
    try {
        return job(callback);
    } catch (...) {
        LogError("Wizard state: the job failed");
        return false;
    }
}

} // namespace

bool RunWizardStateWithProgress(unsigned titleId, bool onWorker, const WizardStateJob& job)
{
    CBuildDirectoryDlg dlg(nullptr);
    CDIRBuildCallback callback(&dlg);
    bool result = false;
    {
        CMainWindowDisabler disabled(&dlg);
        dlg.ShowModeless();
        dlg.setWindowTitle(CResourceLibrary::Instance().LoadString(titleId));
        dlg.HideCancelButton();
        callback.Begin(CResourceLibrary::Instance().LoadString(kSavingStatesText).toUtf8().constData(), 100);
        Pump();
        if (onWorker) {
            std::atomic<bool> done{false};
            std::thread worker([&] {
                result = RunGuarded(job, &callback);
                done = true;
            });
            QEventLoop loop;
            while (!done) loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
            worker.join();
        } else {
            result = RunGuarded(job, &callback);
        }
        // The reports posted last are shown before the dialog goes.
        Pump();
        dlg.EndDialog(0);
    }
    return result;
}
