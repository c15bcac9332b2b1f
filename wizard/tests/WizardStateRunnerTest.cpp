// The progress frame of the state-file save and restore: the save runs on a worker and the restore on the
// interface thread, both under the build dialog with its own caption and no Cancel, over a disabled main
// window; screenshots of the dialog in each language under <build>/screenshots.
#include <gtest/gtest.h>

#include "controls/CResourceLibrary.h"
#include "core/devices/CImageFileDevice.h"
#include "filesystems/fat/BuildFAT.h"
#include "filesystems/tree/CFileSystemNode.h"
#include "filesystems/tree/FileTree.h"
#include "tests/support/FailingSectorsBlockDevice.h"
#include "tests/support/FixtureManifests.h"
#include "views/devices/CBuildDirectoryDlg.h"
#include "wizard/WizardStateRunner.h"
#include "wizard/WizardTreeBuildRunner.h"
#include "wizard/tests/WizardTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
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

// The wizard's tree builds run on a worker under the build dialog: what a build read as zeros over failing
// sectors (the first two of a FAT16 root directory) is told in a box once the dialog has gone.
TEST(WizardTreeBuildRunner, TellsTheSectorsABuildReadAsZeros)
{
    testsupport::TempDir dir;
    const std::string image = (dir / "fat16.img").string();
    ASSERT_EQ(std::system(("xz -dc '" + testsupport::FixturePath("fat16.img.xz") + "' > '" + image + "'").c_str()), 0);
    CImageFileDevice device(image, [](std::unique_ptr<plat::IBlockDevice> inner) {
        return std::unique_ptr<plat::IBlockDevice>(std::make_unique<testsupport::FailingSectorsBlockDevice>(
            std::move(inner), testsupport::FailingSectorsBlockDevice::Ranges{{68, 69}}));
    });
    ASSERT_TRUE(device.IsOpen());
    QString told;
    wizardtest::WhenModal<QMessageBox>([&](QMessageBox* box) {
        told = box->text();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    bool cancelled = true;
    CFileSystemNode* tree = RunTreeBuildWithProgress(
        [&](IDIRBuildCallback* callback, bool*) { return BuildFAT(&device, false, true, callback, nullptr, {}); },
        &cancelled);
    ASSERT_NE(tree, nullptr);
    DeleteFoundTree(tree);
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(told.startsWith(QStringLiteral("2 sectors could not be read (1024 bytes)"))) << told.toStdString();
}
