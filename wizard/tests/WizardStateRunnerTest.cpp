// The progress frame of the state-file save and restore: the save runs on a worker and the restore on the
// interface thread, both under the build dialog with its own caption and no Cancel, over a disabled main
// window; screenshots of the dialog in each language under <build>/screenshots.
#include <gtest/gtest.h>

#include "controls/CResourceLibrary.h"
#include "views/devices/CBuildDirectoryDlg.h"
#include "wizard/WizardStateRunner.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

CBuildDirectoryDlg* OpenDialog()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dlg = qobject_cast<CBuildDirectoryDlg*>(w); dlg && dlg->isVisible()) return dlg;
    return nullptr;
}

} // namespace

TEST(WizardStateRunner, SaveOnAWorkerRestoreHereUnderTheDialog)
{
    FrameStandIn frame;
    frame.resize(300, 200);
    frame.show();
    const auto uiThread = std::this_thread::get_id();
    const QString folder = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(folder);
    auto& lib = CResourceLibrary::Instance();
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_TRUE(lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/") + language + ".rcc"));
        std::atomic<bool> seen{false};
        bool frameDisabled = false, cancelHidden = false;
        QString caption, phase;
        // Looked at from the interface thread while the worker waits.
        QTimer::singleShot(100, [&] {
            if (CBuildDirectoryDlg* dlg = OpenDialog()) {
                frameDisabled = !frame.isEnabled();
                cancelHidden = dlg->CancelButton()->isHidden();
                caption = dlg->windowTitle();
                phase = dlg->Title()->text();
                dlg->grab().save(folder + QStringLiteral("/wizard-savestate-%1.png").arg(language));
            }
            seen = true;
        });
        std::thread::id jobThread;
        const bool saved = RunWizardStateWithProgress(kSaveStateTitle, true, [&](IDIRBuildCallback* progress) {
            jobThread = std::this_thread::get_id();
            EXPECT_NE(progress, nullptr);
            for (int i = 0; i < 500 && !seen; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            return true;
        });
        EXPECT_TRUE(saved);
        EXPECT_TRUE(seen);
        EXPECT_NE(jobThread, uiThread);
        EXPECT_TRUE(frameDisabled);
        EXPECT_TRUE(cancelHidden);
        EXPECT_EQ(caption, lib.LoadString(kSaveStateTitle));
        EXPECT_EQ(phase, lib.LoadString(kSavingStatesText));
        EXPECT_TRUE(frame.isEnabled());
        EXPECT_EQ(OpenDialog(), nullptr);

        QString restoreCaption;
        const bool restored = RunWizardStateWithProgress(kRestoreStateTitle, false, [&](IDIRBuildCallback*) {
            jobThread = std::this_thread::get_id();
            if (CBuildDirectoryDlg* dlg = OpenDialog()) {
                restoreCaption = dlg->windowTitle();
                dlg->grab().save(folder + QStringLiteral("/wizard-restorestate-%1.png").arg(language));
            }
            return false;
        });
        EXPECT_FALSE(restored);
        EXPECT_EQ(jobThread, uiThread);
        EXPECT_EQ(restoreCaption, lib.LoadString(kRestoreStateTitle));
        EXPECT_TRUE(frame.isEnabled());
    }
    lib.LoadLanguageBundle(QStringLiteral(SALVIX_BUILD_DATA_DIR "/English.rcc"));
}
