// F1 on any step of the disk-image wizard and of the open-disk-image wizard opens the help window at the
// disk-image topic.
#include "controls/CHelpViewer.h"
#include "controls/CHelpWindow.h"
#include "controls/ControlFont.h"
#include "tests/support/MemoryDevice.h"
#include "views/diskimage/CImageDiskMasterDlg.h"
#include "views/diskimage/COpenDiskImageMasterDlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// F1 pressed where the keyboard focus is in the wizard (the key goes up to the wizard when that widget
// does not take it), as a person presses it.
void PressF1(QWidget& wizard)
{
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus && wizard.isAncestorOf(focus) ? focus : &wizard, Qt::Key_F1);
}

} // namespace

TEST(DiskImageHelp, F1InBothWizardsOpensTheDiskImageTopic)
{
    InstallFontSubstitutes();
    CHelpViewer viewer("English");
    testsupport::MemoryDevice source(2048);
    {
        QWidget page; // the device page the wizard belongs to
        CImageDiskMasterDlg dlg(&source, "disk", 255, &page);
        dlg.ShowModeless();
        dlg.activateWindow();
        PressF1(dlg);
        ASSERT_NE(viewer.Window(), nullptr);
        EXPECT_EQ(viewer.Window()->CurrentPage(), QStringLiteral("disk-images.html"));
        // Also from the name field of the path step's pane.
        viewer.Window()->ShowTopic(0);
        if (auto* edit = dlg.findChild<QLineEdit*>()) QTest::keyClick(edit, Qt::Key_F1);
        EXPECT_EQ(viewer.Window()->CurrentPage(), QStringLiteral("disk-images.html"));
        dlg.done(0);
    }
    viewer.Window()->ShowTopic(0);
    {
        QWidget page;
        COpenDiskImageMasterDlg dlg(&page);
        dlg.ShowModeless();
        dlg.activateWindow();
        PressF1(dlg);
        EXPECT_EQ(viewer.Window()->CurrentPage(), QStringLiteral("disk-images.html"));
        viewer.Window()->ShowTopic(0);
        if (auto* edit = dlg.findChild<QLineEdit*>()) QTest::keyClick(edit, Qt::Key_F1);
        EXPECT_EQ(viewer.Window()->CurrentPage(), QStringLiteral("disk-images.html"));
        dlg.done(0);
    }
}
