// The wizard's runner of directory-tree builds.
#include "wizard/WizardTreeBuildRunner.h"

#include "controls/CResourceLibrary.h"
#include "platform/Log.h"
#include "views/files/CWaitingDlg.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <thread>

CFileSystemNode* RunTreeBuildWithWaitWindow(const TreeBuildJob& job, bool* cancelled)
{
    std::atomic<bool> done{false};
    CFileSystemNode* tree = nullptr;
    bool stopped = false;
    QPointer<QWidget> main = QApplication::activeWindow();
    if (main)
        main->setEnabled(false);
    CWaitingDlg wait(nullptr);
    wait.SetText(CResourceLibrary::Instance().LoadText(QStringLiteral("wizard.scan.wait")));
    wait.ShowModeless();
    std::thread worker([&] {
        try {
            tree = job(nullptr, &stopped);
        } catch (...) {
            LogError("Directory build: the build failed");
            tree = nullptr;
        }
        done = true;
    });
    QEventLoop loop;
    while (!done)
        loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    worker.join();
    wait.hide();
    if (main)
        main->setEnabled(true);
    if (cancelled)
        *cancelled = stopped;
    return tree;
}
