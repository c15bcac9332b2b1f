// The main frame: its size at creation and in the fixed and resizable modes, the question before closing,
// the private messages, the client view's hosting of the sheet, and a screenshot.
#include "app/CMainFrame.h"
#include "app/tests/AppTestSupport.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/WindowMessages.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct FrameFixture : ::testing::Test {
    PrivateFolders folders;
    FakeSheet* sheet = nullptr;
    CMainFrame frame;

    void SetUp() override
    {
        QString error;
        ASSERT_TRUE(frame.LoadFrame(FakeSheetFactory(&sheet), &error)) << error.toStdString();
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    }
};

TEST_F(FrameFixture, CreationSizeAndSizeModes)
{
    EXPECT_EQ(frame.size(), QSize(1000, 700));
    EXPECT_EQ(frame.CreationSize(), QSize(1000, 700));
    EXPECT_TRUE(frame.IsResizable());
    EXPECT_EQ(frame.minimumSize(), QSize(1000, 680));
    EXPECT_TRUE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);

    // Resizable: never below 1000 x 680.
    frame.resize(600, 400);
    EXPECT_EQ(frame.size(), QSize(1000, 680));
    frame.resize(1200, 900);
    EXPECT_EQ(frame.size(), QSize(1200, 900));

    // Fixed: back to the creation size, top-left corner kept, no maximize button.
    const QPoint corner = frame.pos();
    frame.SetResizable(false);
    EXPECT_FALSE(frame.IsResizable());
    EXPECT_EQ(frame.size(), QSize(1000, 700));
    EXPECT_EQ(frame.minimumSize(), frame.maximumSize());
    EXPECT_EQ(frame.pos(), corner);
    EXPECT_FALSE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(frame.isVisible());
    frame.resize(1300, 800);
    EXPECT_EQ(frame.size(), QSize(1000, 700));

    // Resizable again: the edges size the window, the maximize button stays off.
    frame.SetResizable(true);
    frame.resize(1300, 800);
    EXPECT_EQ(frame.size(), QSize(1300, 800));
    EXPECT_FALSE(frame.windowFlags() & Qt::WindowMaximizeButtonHint);
    frame.SetResizable(true); // unchanged: no effect
    EXPECT_EQ(frame.size(), QSize(1300, 800));
}

TEST_F(FrameFixture, ViewHostsTheSheetOverItsWholeArea)
{
    ASSERT_NE(sheet, nullptr);
    CChildView* view = frame.ChildView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->geometry(), frame.rect());
    EXPECT_EQ(sheet->parentWidget(), view);
    EXPECT_EQ(GetDlgCtrlID(sheet), CChildView::kSheetControlId);
    EXPECT_EQ(GetDlgCtrlID(view), CChildView::kFirstPaneId);
    EXPECT_EQ(sheet->geometry(), QRect(QPoint(0, 0), view->size()));
    frame.resize(1100, 750);
    EXPECT_EQ(sheet->geometry(), QRect(0, 0, 1100, 750));

    // Ctrl+O reaches the page shown as command 32777; F1 asks for help.
    frame.activateWindow();
    QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(&frame, Qt::Key_F1);
    EXPECT_EQ(sheet->commands, std::vector<unsigned>{32777});
    EXPECT_EQ(sheet->helps, 1);
}

TEST_F(FrameFixture, CloseAsksFirst)
{
    {
        RecordingResponder no(IDNO);
        frame.close();
        ASSERT_EQ(no.boxes.size(), 1u);
        EXPECT_EQ(no.boxes[0].text.toStdString(), "Exit now?");
        EXPECT_EQ(no.boxes[0].caption.toStdString(), "Salvix");
        EXPECT_EQ(no.boxes[0].type, MB_YESNO | MB_ICONQUESTION);
        EXPECT_TRUE(frame.isVisible());
    }
    RecordingResponder yes(IDYES);
    frame.close();
    EXPECT_EQ(yes.boxes.size(), 1u);
    EXPECT_FALSE(frame.isVisible());
}

TEST_F(FrameFixture, CloseMessageClosesWithoutAsking)
{
    RecordingResponder boxes(IDNO);
    EXPECT_EQ(SendMessageTo(&frame, UM_CLOSE_APP), 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(frame.isVisible());
}

TEST(MainFrame, ScreenshotsInEachLanguage)
{
    PrivateFolders folders;
    InstallFontSubstitutes();
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    for (const QString& language : {QStringLiteral("English"), QStringLiteral("Deutsch"), QStringLiteral("Japanese")}) {
        ASSERT_TRUE(CResourceLibrary::Instance().LoadLanguageBundle(CResourceLibrary::BundlePathFor(language)));
        CMainFrame frame;
        QString error;
        ASSERT_TRUE(frame.LoadFrame(FakeSheetFactory(), &error));
        frame.show();
        QImage shot = frame.grab().toImage();
        ASSERT_EQ(shot.size(), QSize(1000, 700));
        QPainter p(&shot); // the title bar is the window manager's: write the title into the picture
        p.drawText(QRect(8, 4, 400, 20), frame.windowTitle());
        p.end();
        EXPECT_TRUE(shot.save(dir + QStringLiteral("/app-frame-") + language + QStringLiteral(".png")));
        frame.OnCloseRequest();
    }
    CResourceLibrary::Instance().UnloadLanguageBundle();
}

} // namespace
