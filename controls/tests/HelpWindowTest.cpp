// The help window through its widgets: a topic opened through OpenHelpTopic, links followed by a click,
// Back, Forward and the start page, the contents, a link to a page that is missing, the book of each
// language, help opened while a modal dialog runs, and screenshots in each language.
#include "controls/CHelpViewer.h"
#include "controls/CHelpWindow.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "core/HelpTopic.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

QString ScreenshotFolder()
{
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    return dir;
}

// A click on the first link to href in the page shown, where a person would click it.
bool ClickLink(QTextBrowser* browser, const QString& href)
{
    for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (!f.isValid() || f.charFormat().anchorHref() != href) continue;
            QTextCursor cursor(browser->document());
            cursor.setPosition(f.position() + f.length() / 2);
            browser->setTextCursor(cursor);
            browser->ensureCursorVisible();
            QApplication::processEvents();
            const QPoint at = browser->cursorRect(cursor).center();
            QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
            return true;
        }
    }
    return false;
}

QTreeWidgetItem* ContentsItem(CHelpWindow* w, const QString& page)
{
    for (int i = 0; i < w->Contents()->topLevelItemCount(); ++i)
        if (w->Contents()->topLevelItem(i)->data(0, Qt::UserRole).toString() == page)
            return w->Contents()->topLevelItem(i);
    return nullptr;
}

struct HelpWindowFixture : ::testing::Test {
    static void SetUpTestSuite() { InstallFontSubstitutes(); }
    void TearDown() override { CResourceLibrary::Instance().UnloadLanguageBundle(); }
};

} // namespace

TEST_F(HelpWindowFixture, TopicLinksHistoryAndContents)
{
    CHelpViewer viewer("English");
    EXPECT_EQ(viewer.Window(), nullptr); // made on first use
    OpenHelpTopic(nullptr, 23);
    CHelpWindow* w = viewer.Window();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("found-files.html"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Found files: browsing, finding and searching - Salvix Help"));
    EXPECT_FALSE(w->BackButton()->isEnabled());
    EXPECT_FALSE(w->testAttribute(Qt::WA_QuitOnClose)); // the program ends with its main window

    // The contents: the start page and one entry per topic, titled as the pages are; the page shown is chosen.
    ASSERT_EQ(w->Contents()->topLevelItemCount(), int(HelpBookPages().size()));
    EXPECT_EQ(w->Contents()->topLevelItem(0)->text(0), QStringLiteral("Salvix Help"));
    EXPECT_EQ(w->Contents()->currentItem(), ContentsItem(w, QStringLiteral("found-files.html")));

    // A link to another page, then one to a section of the start page.
    ASSERT_TRUE(ClickLink(w->Browser(), QStringLiteral("save-path.html")));
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("save-path.html"));
    EXPECT_TRUE(w->BackButton()->isEnabled());
    ASSERT_TRUE(ClickLink(w->Browser(), QStringLiteral("index.html#source")));
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("index.html"));
    EXPECT_EQ(w->Browser()->source().fragment(), QStringLiteral("source"));
    EXPECT_GT(w->Browser()->verticalScrollBar()->value(), 0); // scrolled down to the section

    // Back twice, Forward once.
    QTest::mouseClick(w->BackButton(), Qt::LeftButton);
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("save-path.html"));
    QTest::mouseClick(w->BackButton(), Qt::LeftButton);
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("found-files.html"));
    EXPECT_FALSE(w->BackButton()->isEnabled());
    EXPECT_TRUE(w->ForwardButton()->isEnabled());
    QTest::mouseClick(w->ForwardButton(), Qt::LeftButton);
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("save-path.html"));

    // The contents and the start page button.
    QTreeWidgetItem* options = ContentsItem(w, QStringLiteral("options.html"));
    ASSERT_NE(options, nullptr);
    const QRect r = w->Contents()->visualItemRect(options);
    QTest::mouseClick(w->Contents()->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("options.html"));
    QTest::mouseClick(w->StartButton(), Qt::LeftButton);
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("index.html"));

    // The same window serves the next request, and keeps its history; an unknown id shows the start page.
    OpenHelpTopic(nullptr, 46);
    EXPECT_EQ(viewer.Window(), w);
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("options.html"));
    OpenHelpTopic(nullptr, 4711);
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("index.html"));
}

TEST_F(HelpWindowFixture, MissingPageShowsANoticeAndNoViewerLogsOnly)
{
    CHelpViewer viewer("English");
    OpenHelpTopic(nullptr, 15);
    CHelpWindow* w = viewer.Window();
    ASSERT_NE(w, nullptr);
    // A page the book lacks, and a file outside the book: a notice, no warning from the browser.
    w->ShowPage(QStringLiteral("no-such-page.html"));
    EXPECT_TRUE(w->Browser()->toPlainText().contains(QStringLiteral("no-such-page.html could not be found")));
    w->ShowPage(QStringLiteral("../../CMakeCache.txt"));
    EXPECT_TRUE(w->Browser()->toPlainText().contains(QStringLiteral("could not be found")));
    w->ShowPage(QStringLiteral("recovery-mode.html"));
    EXPECT_EQ(w->CurrentPage(), QStringLiteral("recovery-mode.html"));
}

TEST_F(HelpWindowFixture, ViewerIsInstalledForItsLifetime)
{
    {
        CHelpViewer outer("English");
        {
            CHelpViewer inner("Deutsch");
            OpenHelpTopic(nullptr, 46);
            ASSERT_NE(inner.Window(), nullptr);
            EXPECT_EQ(inner.Window()->BookFolder().filename().string(), "Deutsch");
            EXPECT_EQ(inner.Window()->Browser()->documentTitle(), QStringLiteral("Optionen"));
            EXPECT_EQ(outer.Window(), nullptr);
        }
        OpenHelpTopic(nullptr, 46); // back to the outer viewer
        ASSERT_NE(outer.Window(), nullptr);
        EXPECT_EQ(outer.Window()->Browser()->documentTitle(), QStringLiteral("Options"));
    }
    OpenHelpTopic(nullptr, 46); // no viewer: logged, nothing shown
    for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_EQ(qobject_cast<CHelpWindow*>(w), nullptr);
}

TEST_F(HelpWindowFixture, HelpFromAModalDialogCanBeUsedWhileItRuns)
{
    CHelpViewer viewer("English");
    QDialog dialog;
    bool usable = false;
    QTimer::singleShot(0, &dialog, [&] {
        OpenHelpTopic(&dialog, 20);
        CHelpWindow* w = viewer.Window();
        // A window of the running dialog takes input; a click on its link works.
        usable = w && w->parentWidget() == &dialog && w->isWindow() && w->isVisible() &&
                 ClickLink(w->Browser(), QStringLiteral("index.html#images")) &&
                 w->CurrentPage() == QStringLiteral("index.html");
        dialog.reject();
    });
    dialog.exec();
    EXPECT_TRUE(usable);
    // The dialog has ended: the help window stays open on its own, with its history.
    CHelpWindow* w = viewer.Window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(w->BackButton()->isEnabled());
}

TEST_F(HelpWindowFixture, HelpFromANestedDialogGoesBackToTheDialogStillRunning)
{
    CHelpViewer viewer("English");
    QDialog outer;
    QWidget* parentAfterInner = nullptr;
    QTimer::singleShot(0, &outer, [&] {
        QDialog inner(&outer);
        QTimer::singleShot(0, &inner, [&] {
            OpenHelpTopic(&inner, 46);
            inner.reject();
        });
        inner.exec();
        QTest::qWait(50);
        parentAfterInner = viewer.Window() ? viewer.Window()->parentWidget() : nullptr;
        outer.reject();
    });
    outer.exec();
    EXPECT_EQ(parentAfterInner, &outer); // usable while the outer dialog runs
    ASSERT_NE(viewer.Window(), nullptr);
    QTest::qWait(50);
    EXPECT_EQ(viewer.Window()->parentWidget(), nullptr);
    EXPECT_TRUE(viewer.Window()->isVisible());
}

TEST_F(HelpWindowFixture, ScreenshotsInEachLanguage)
{
    const QString folder = ScreenshotFolder();
    for (const char* language : {"English", "Deutsch", "Japanese"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(CResourceLibrary::Instance().LoadLanguageBundle(
            QStringLiteral(SALVIX_BUILD_DATA_DIR "/%1.rcc").arg(QLatin1String(language))));
        CHelpViewer viewer(language);
        OpenHelpTopic(nullptr, 0);
        CHelpWindow* w = viewer.Window();
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        // The start page, and the topics of the found-files page and of the disk-image wizards.
        for (const auto& [id, name] :
             {std::pair{0, "start"}, std::pair{23, "found-files"}, std::pair{20, "disk-images"}}) {
            OpenHelpTopic(nullptr, id);
            const QString path =
                folder + QStringLiteral("/help-%1-%2.png").arg(QLatin1String(name), QLatin1String(language));
            EXPECT_TRUE(w->grab().save(path)) << path.toStdString();
        }
    }
}
