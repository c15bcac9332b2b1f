// Help in the running application: F1 on every wizard page, and in the save-path and save-result dialogs
// that two of the pages run, opens the program's help window at that page's topic, in the book of the
// interface language; a dialog's help request to the main frame does the same.
#include "app/CMainFrame.h"
#include "app/CZULApp.h"
#include "app/tests/AppTestSupport.h"
#include "controls/CHelpViewer.h"
#include "controls/CHelpWindow.h"
#include "controls/WindowMessages.h"
#include "core/HelpTopic.h"
#include "wizard/CWizardPage.h"
#include "wizard/CWizardSheet.h"

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Presses F1 in the modal dialog that a page runs as soon as it shows, then closes it; the page shown by
// the help window at that moment goes into *page.
void F1InNextModalDialog(CHelpViewer* viewer, QString* page)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, viewer, page] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        timer->stop();
        timer->deleteLater();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && dialog->isAncestorOf(focus) ? focus : dialog, Qt::Key_F1);
        if (viewer->Window()) *page = viewer->Window()->CurrentPage();
        dialog->reject();
    });
    timer->start(20);
}

} // namespace

TEST(AppHelp, F1OnEveryPageOpensItsTopicInTheInterfaceLanguage)
{
    for (const char* language : {"English", "Deutsch", "Japanese"}) {
        SCOPED_TRACE(language);
        PrivateFolders folders;
        folders.SetLanguage(language);
        CZULApp app({"salvix"});
        ASSERT_TRUE(app.InitInstance());
        CMainFrame* frame = app.MainFrame();
        CWizardSheet* sheet = CWizardSheet::GetInstance();
        CHelpViewer* viewer = app.GetHelpViewer();
        ASSERT_NE(viewer, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));

        for (int p = 0; p < WP_PAGE_COUNT; ++p) {
            const auto page = WIZARD_PAGE(p);
            SCOPED_TRACE(p);
            const int id = sheet->GetPage(page)->GetHelpContextId();
            const QString expected = QString::fromStdString(HelpPageForTopic(id));
            EXPECT_NE(expected, QString::fromLatin1(kHelpStartPage));
            QString shown;
            if (page == WP_SAVE_FILE || page == WP_SAVE_RESULT) {
                // These pages run in a dialog of their own.
                F1InNextModalDialog(viewer, &shown);
                sheet->SetActivePage(page);
            } else {
                sheet->SetActivePage(page);
                // A device page lists the devices first, with the main window disabled until that ends.
                for (int waited = 0; !frame->isEnabled() && waited < 20000; waited += 20) QTest::qWait(20);
                frame->activateWindow();
                ASSERT_TRUE(QTest::qWaitForWindowActive(frame)); // the dialogs of pages 5 and 6 had the focus
                QTest::keyClick(frame, Qt::Key_F1);
                ASSERT_NE(viewer->Window(), nullptr);
                shown = viewer->Window()->CurrentPage();
            }
            EXPECT_EQ(shown.toStdString(), expected.toStdString());
            ASSERT_NE(viewer->Window(), nullptr);
            EXPECT_EQ(viewer->Window()->BookFolder().filename().string(), language);
            viewer->Window()->ShowTopic(0);
        }
        // A dialog's request reaches the frame, which opens the topic and tells the dialog it did.
        EXPECT_EQ(SendMessageTo(frame, UM_SHOW_HELP, 20), 1);
        EXPECT_EQ(viewer->Window()->CurrentPage(), QStringLiteral("disk-images.html"));
        sheet->SetActivePage(WP_RECOVERY_MODE);
        app.ExitInstance(0);
    }
}
