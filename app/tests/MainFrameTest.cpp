// The main frame: its size at creation and in the fixed and resizable modes, the question before closing,
// the private messages, the client view's hosting of the sheet, and a screenshot.
#include "app/CMainFrame.h"
#include "app/CZULApp.h"
#include "app/tests/AppTestSupport.h"
#include "controls/CResourceLibrary.h"
#include "controls/ControlFont.h"
#include "controls/ControlId.h"
#include "controls/WindowMessages.h"
#include "tests/support/LogCapture.h"
#include "views/search/CFileTypeNameMap.h"

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

// The search dialog's Type list comes from the desktop's file types, which the frame gathers once while it is
// made, logging the time that took.
TEST(MainFrame, BuildsTheFileTypeNameMapOnceAndLogsItsTime)
{
    PrivateFolders folders;
    CFileTypeNameMap& map = CFileTypeNameMap::GetInstance();
    map.Clear();
    const testsupport::LogCapture log;
    {
        CMainFrame frame;
        QString error;
        ASSERT_TRUE(frame.LoadFrame(FakeSheetFactory(), &error)) << error.toStdString();
    }
    ASSERT_GE(map.GetEntries().size(), 3u) << "nothing from the shared MIME database (shared-mime-info)";
    EXPECT_EQ(map.GetEntries().begin()->first, ".00(All Files)");
    EXPECT_EQ(std::next(map.GetEntries().begin())->first, ".01File");
    const std::string jpeg = map.Lookup("JPEG image");
    for (const char* extension : {".jpg", ".jpeg", ".jpe"}) EXPECT_NE(jpeg.find(extension), std::string::npos) << jpeg;
    EXPECT_TRUE(log.Contains("Enum register file used time :")) << log.Text();

    // A second frame keeps the map it found.
    const size_t entries = map.GetEntries().size();
    map.Add("Test type", ".tst");
    CMainFrame again;
    QString error;
    ASSERT_TRUE(again.LoadFrame(FakeSheetFactory(), &error));
    EXPECT_EQ(map.GetEntries().size(), entries + 1);
}

TEST(MainFrame, ScreenshotsOfTheWholeStartInEachLanguage)
{
    InstallFontSubstitutes();
    const QString dir = QDir::cleanPath(QStringLiteral(SALVIX_BUILD_DATA_DIR "/../screenshots"));
    QDir().mkpath(dir);
    for (const char* language : {"English", "Deutsch", "Japanese"}) {
        SCOPED_TRACE(language);
        PrivateFolders folders;
        folders.SetLanguage(language);
        CZULApp app({"salvix"});
        ASSERT_TRUE(app.InitInstance()); // the application's own wizard sheet
        CMainFrame* frame = app.MainFrame();
        ASSERT_NE(frame, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        // The wizard opens on its first page, in the fixed-size mode.
        EXPECT_FALSE(frame->IsResizable());
        EXPECT_EQ(frame->size(), QSize(1000, 700));
        // The title bar belongs to the window manager: draw a plain one above the client area.
        const QImage client = frame->grab().toImage();
        QImage shot(client.width(), client.height() + 24, QImage::Format_RGB32);
        shot.fill(QColor(0x3C, 0x3C, 0x3C));
        QPainter p(&shot);
        p.setPen(Qt::white);
        p.drawText(QRect(8, 0, client.width() - 16, 24), Qt::AlignVCenter | Qt::AlignLeft, frame->windowTitle());
        p.drawImage(0, 24, client);
        p.end();
        EXPECT_TRUE(
            shot.save(dir + QStringLiteral("/app-start-") + QString::fromLatin1(language) + QStringLiteral(".png")));
        app.ExitInstance(0);
    }
}

} // namespace
