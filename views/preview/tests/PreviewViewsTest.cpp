// The preview dialog and its views driven offscreen over small files: hex rows and the '.' rule, text lines,
// breaks and encodings, the 1 MiB window, pages that fit the view, paging keys and the shared scroll bar,
// the switch between Hex and Text, the trailing refresh of fast scrolling, and the image tab's placement,
// scrolling and modes.
#include "views/preview/CFilePreViewDlg.h"
#include "views/preview/CHexFilePreViewEdit.h"
#include "views/preview/CImageWindow.h"
#include "views/preview/CTextFilePreViewEdit.h"

#include "controls/CVscrollwnd.h"
#include "controls/MessageBox.h"
#include "controls/TickClock.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace {

QString WriteFile(const testsupport::TempDir& dir, const std::string& name, const std::string& bytes)
{
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return QString::fromStdString(path);
}

std::string Lines(int count, int width)
{
    // Line i holds its number, padded with dots to width - 1 bytes, and a line feed.
    std::string s;
    for (int i = 0; i < count; ++i) {
        std::string line = "L" + std::to_string(i);
        line.resize(size_t(width - 1), '.');
        s += line + "\n";
    }
    return s;
}

// The first line shown, without the space that stands for its line feed.
QString FirstLine(const QPlainTextEdit* view)
{
    return view->toPlainText().section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

TEST(HexView, RowsFillersAndTheDotRule)
{
    testsupport::TempDir dir;
    std::string bytes = "ABCDEFGHIJKLMNOP";
    bytes += std::string("\x1E\x1F \x7F", 4);
    CHexFilePreViewEdit hex;
    ASSERT_TRUE(hex.SetFile(WriteFile(dir, "h.bin", bytes.substr(0, 16))));
    EXPECT_EQ(hex.GetLineCount(), 1u);
    // A line of exactly 16 bytes is the last line: every byte followed by a tab.
    EXPECT_EQ(hex.GetPageText(0), "Offset  \t\t\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\tA\tB\tC\tD\tE\tF\r\n"
                                  "00000000\t\t41\t42\t43\t44\t45\t46\t47\t48\t49\t4A\t4B\t4C\t4D\t4E\t4F\t50\t"
                                  "\t\tABCDEFGHIJKLMNOP\t\r\n");
    ASSERT_TRUE(hex.SetFile(WriteFile(dir, "h20.bin", bytes)));
    EXPECT_EQ(hex.GetLineCount(), 2u);
    const std::string page = hex.GetPageText(0);
    // A full line that is not the last has no tab after its sixteenth byte.
    EXPECT_NE(page.find("\t4F\t50\t\tABCDEFGHIJKLMNOP\t\r\n"), std::string::npos);
    // 0x1E and 0x1F are control bytes: dots, like every byte below 32; space and 0x7F stay as they are.
    EXPECT_NE(page.find("00000010\t\t1E\t1F\t20\t7F\t \t \t \t \t \t \t \t \t \t \t \t \t\t\t.. \x7F\t\r\n"),
              std::string::npos);
    EXPECT_EQ(hex.LineFromOffset(17), 1u);
    EXPECT_EQ(hex.LineFromOffset(20), 0u);
    EXPECT_EQ(hex.OffsetFromLine(1), 16u);
}

TEST(TextView, LineBreaksControlBytesAndEncodings)
{
    testsupport::TempDir dir;
    CTextFilePreViewEdit text;
    // No line feeds: 160 bytes, then 159, 159 and the rest.
    ASSERT_TRUE(text.SetFile(WriteFile(dir, "long.txt", std::string(500, 'x'))));
    EXPECT_EQ(text.LineStarts(), (std::vector<uint32_t>{0, 160, 319, 478, 500}));

    // A break that would cut the euro sign (3 bytes from offset 159) moves before it.
    ASSERT_TRUE(text.SetFile(WriteFile(dir, "utf8.txt", std::string(159, 'a') + "\xE2\x82\xAC" + "bc")));
    EXPECT_EQ(text.LineStarts(), (std::vector<uint32_t>{0, 159, 164}));
    text.resize(600, 300);
    text.UpdateLinesPerPage();
    text.ShowPage(0);
    EXPECT_EQ(text.toPlainText().section(QLatin1Char('\n'), 1, 1), QString::fromUtf8("\xE2\x82\xAC"
                                                                                     "bc"));

    // Control bytes (tab, CR, 0x1E, 0x1F) become spaces; UTF-8 lines show as such, others byte by byte.
    ASSERT_TRUE(text.SetFile(WriteFile(dir, "mixed.txt",
                                       "a\tb\x1E\x1F"
                                       "c\r\n\xE6\x97\xA5\xE6\x9C\xAC\ncaf\xE9\n")));
    EXPECT_EQ(text.GetLineCount(), 3u);
    EXPECT_EQ(text.GetPageText(0), "a b  c  \t\r\n\xE6\x97\xA5\xE6\x9C\xAC \t\r\ncaf\xE9 \t\r\n");
    text.ShowPage(0);
    EXPECT_EQ(text.toPlainText(), QString::fromUtf8("a b  c  \n\xE6\x97\xA5\xE6\x9C\xAC \ncaf\xC3\xA9 "));
    EXPECT_EQ(text.LineFromOffset(9), 1u);
    EXPECT_EQ(text.LineFromOffset(1000), 0u);
}

TEST(TextView, PagesComeThroughAOneMebibyteWindow)
{
    testsupport::TempDir dir;
    const std::string content = Lines(120000, 25); // 3 MB
    CTextFilePreViewEdit text;
    ASSERT_TRUE(text.SetFile(WriteFile(dir, "big.txt", content)));
    EXPECT_EQ(text.GetLineCount(), 120000u);
    text.resize(500, 400);
    text.UpdateLinesPerPage();
    text.ShowPage(100000);
    EXPECT_EQ(FirstLine(&text), QStringLiteral("L100000................."));
    EXPECT_GT(text.WindowStart(), 2000000u);
    EXPECT_LE(text.WindowEnd() - text.WindowStart(), CFilePreViewEdit::kWindowSize);
    // Asking past the end shows the last full page.
    text.ShowPage(119999);
    const int page = text.GetLinesPerPage();
    EXPECT_EQ(FirstLine(&text), QStringLiteral("L%1").arg(120000 - page).leftJustified(24, QLatin1Char('.')));
    EXPECT_FALSE(text.SetFile(QStringLiteral("/nonexistent/file")));
    EXPECT_EQ(text.GetLineCount(), 0u);
}

TEST(FileViews, APageFitsTheViewWithoutHiddenLines)
{
    testsupport::TempDir dir;
    std::string cjk;
    for (int i = 0; i < 500; ++i) cjk += "\xE6\x97\xA5\xE6\x9C\xAC " + std::to_string(i) + "\n";
    // Latin lines, and lines whose characters come from a taller fallback font.
    const QString paths[] = {WriteFile(dir, "fit.txt", Lines(500, 10)), WriteFile(dir, "cjk.txt", cjk)};
    for (const QString& path : paths) {
        for (int height : {120, 301, 517}) {
            SCOPED_TRACE(path.toStdString() + " " + std::to_string(height));
            CTextFilePreViewEdit text;
            text.resize(400, height);
            ASSERT_TRUE(text.SetFile(path));
            text.show();
            QApplication::processEvents();
            text.UpdateLinesPerPage();
            text.ShowPage(0);
            QApplication::processEvents();
            EXPECT_EQ(text.document()->blockCount(), text.GetLinesPerPage());
            // The page's last line lies wholly inside the view, and one line more would not.
            QTextCursor end(text.document());
            end.movePosition(QTextCursor::End);
            const QRect last = text.cursorRect(end);
            EXPECT_LE(last.bottom(), text.viewport()->height());
            EXPECT_GT(last.bottom() + last.height(), text.viewport()->height() - 4);
        }
    }
}

TEST(PreviewDialog, PagingKeysAndTheScrollBar)
{
    testsupport::TempDir dir;
    CFilePreViewDlg dlg;
    dlg.SetFile(WriteFile(dir, "lines.txt", Lines(1000, 12)), QStringLiteral("lines.txt"));
    dlg.ShowModeless();
    QApplication::processEvents();
    QTest::qWait(150); // the page size taken once the views are shown
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("lines.txt - File Preview"));
    EXPECT_EQ(dlg.GetCurrentTab(), CFilePreViewDlg::kTabText);
    EXPECT_FALSE(dlg.BestFitButton()->isVisible());
    EXPECT_TRUE(dlg.ScrollBar()->isEnabled());
    const int page = dlg.PositionInfo().nPage;
    ASSERT_GT(page, 3);
    auto key = [&](Qt::Key k) {
        QTest::keyClick(dlg.TextView(), k);
        QApplication::processEvents();
        QApplication::processEvents();
    };
    key(Qt::Key_PageDown);
    EXPECT_EQ(dlg.GetPosition(), page);
    key(Qt::Key_Down);
    EXPECT_EQ(dlg.GetPosition(), page + 1);
    key(Qt::Key_End);
    const int last = 1000 - dlg.PositionInfo().nPage;
    EXPECT_EQ(dlg.GetPosition(), last);
    EXPECT_EQ(FirstLine(dlg.TextView()), QStringLiteral("L%1").arg(last).leftJustified(11, QLatin1Char('.')));
    key(Qt::Key_Home);
    EXPECT_EQ(dlg.GetPosition(), 0);
    EXPECT_EQ(FirstLine(dlg.TextView()), QStringLiteral("L0........."));
    // The wheel scrolls one line a notch.
    QWheelEvent wheel(QPointF(10, 10), dlg.TextView()->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dlg.TextView()->viewport(), &wheel);
    QApplication::processEvents();
    EXPECT_EQ(dlg.GetPosition(), 1);
    dlg.close();
}

TEST(PreviewDialog, FewerLinesThanAPageDisableTheBar)
{
    testsupport::TempDir dir;
    CFilePreViewDlg dlg;
    dlg.SetFile(WriteFile(dir, "short.txt", Lines(3, 10)), QStringLiteral("short.txt"));
    dlg.ShowModeless();
    QApplication::processEvents();
    EXPECT_FALSE(dlg.ScrollBar()->isEnabled());
    dlg.OnVScroll(SB_LINEDOWN, 0);
    dlg.OnVScroll(SB_BOTTOM, 0);
    EXPECT_EQ(dlg.GetPosition(), 0);
    dlg.close();
}

TEST(PreviewDialog, HexAndTextKeepTheSameBytesAtTheTop)
{
    testsupport::TempDir dir;
    CFilePreViewDlg dlg;
    dlg.SetFile(WriteFile(dir, "rows.txt", Lines(400, 20)), QStringLiteral("rows.txt"));
    dlg.ShowModeless();
    QApplication::processEvents();
    QTest::mouseClick(dlg.TabBar(), Qt::LeftButton, {}, dlg.TabBar()->tabRect(CFilePreViewDlg::kTabHex).center());
    ASSERT_EQ(dlg.GetCurrentTab(), CFilePreViewDlg::kTabHex);
    EXPECT_TRUE(dlg.HexView()->isVisible());
    dlg.OnVScroll(SB_THUMBTRACK, 100); // offset 1600
    // Painted once the refresh interval has passed.
    QTRY_VERIFY(dlg.HexView()->toPlainText().section(QLatin1Char('\n'), 1, 1).startsWith(QStringLiteral("00000640")));
    QTest::mouseClick(dlg.TabBar(), Qt::LeftButton, {}, dlg.TabBar()->tabRect(CFilePreViewDlg::kTabText).center());
    EXPECT_EQ(dlg.GetPosition(), 80);
    EXPECT_EQ(FirstLine(dlg.TextView()), QStringLiteral("L80................"));
    QTest::mouseClick(dlg.TabBar(), Qt::LeftButton, {}, dlg.TabBar()->tabRect(CFilePreViewDlg::kTabHex).center());
    EXPECT_EQ(dlg.GetPosition(), 100);
    dlg.close();
}

TEST(PreviewDialog, TheLastScrollStepIsPaintedAfterTheThrottle)
{
    testsupport::TempDir dir;
    CManualTickClock clock(5000);
    SetTickClock(&clock);
    {
        CFilePreViewDlg dlg;
        dlg.SetFile(WriteFile(dir, "many.txt", Lines(1000, 10)), QStringLiteral("many.txt"));
        dlg.ShowModeless();
        QApplication::processEvents();
        // Within 100 ms of the last refresh: the position moves at once, the page follows when the time is up.
        dlg.OnVScroll(SB_LINEDOWN, 0);
        dlg.OnVScroll(SB_LINEDOWN, 0);
        EXPECT_EQ(dlg.GetPosition(), 2);
        EXPECT_EQ(FirstLine(dlg.TextView()), QStringLiteral("L0......."));
        QTRY_COMPARE_WITH_TIMEOUT(FirstLine(dlg.TextView()), QStringLiteral("L2......."), 2000);
        dlg.close();
    }
    SetTickClock(nullptr);
}

TEST(PreviewDialog, RecoverAndCancelAreOneSizeOnOneLine)
{
    testsupport::TempDir dir;
    CFilePreViewDlg dlg;
    dlg.SetFile(WriteFile(dir, "b.txt", "buttons\n"), QStringLiteral("b.txt"));
    dlg.ShowModeless();
    for (const QSize size : {QSize(1, 1), QSize(420, 300), QSize(901, 640)}) {
        dlg.resize(size);
        QApplication::processEvents();
        const QRect recover = dlg.RecoverButton()->geometry(), cancel = dlg.CancelButton()->geometry();
        EXPECT_GT(recover.height(), 0);
        EXPECT_EQ(recover.size(), cancel.size());
        EXPECT_EQ(recover.top(), cancel.top());
        EXPECT_LT(recover.right(), cancel.left());
        EXPECT_GE(recover.left(), 0);
        EXPECT_LE(cancel.right(), dlg.width());
    }
}

TEST(PreviewDialog, RecoverClosesAndThenAsksThePage)
{
    testsupport::TempDir dir;
    QWidget page;
    int asked = 0;
    CFilePreViewDlg dlg;
    dlg.SetNotifyWnd(&page, [&] { ++asked; });
    dlg.SetFile(WriteFile(dir, "r.txt", "recover me\n"), QStringLiteral("r.txt"));
    dlg.ShowModeless();
    QApplication::processEvents();
    QTest::mouseClick(dlg.RecoverButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), IDOK);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(asked, 0);
    QTRY_COMPARE(asked, 1);
}

TEST(ImageWindow, PlacementInBothModes)
{
    struct Case {
        const char* name;
        QSize image, client;
        bool fit;
        QPoint scroll;
        QRect source, target;
    } cases[] = {
        {"small image, fit", {100, 100}, {400, 300}, true, {0, 0}, {0, 0, 100, 100}, {150, 100, 100, 100}},
        {"small image, actual", {100, 100}, {400, 300}, false, {0, 0}, {0, 0, 100, 100}, {150, 100, 100, 100}},
        {"wide image, fit", {1600, 400}, {400, 300}, true, {0, 0}, {0, 0, 1600, 400}, {1, 101, 398, 98}},
        {"tall image, fit", {300, 1200}, {400, 300}, true, {0, 0}, {0, 0, 300, 1200}, {163, 1, 73, 298}},
        {"wide image, actual, scrolled",
         {1600, 400},
         {400, 300},
         false,
         {1300, 50},
         {1300, 50, 300, 300},
         {50, 0, 300, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImagePlacement p = CImageWindow::PlaceImage(c.image, c.client, c.fit, c.scroll);
        EXPECT_EQ(p.source, c.source);
        EXPECT_EQ(p.target, c.target);
    }
    EXPECT_EQ(CImageWindow::ClampScroll(500, 1600, 1200), 400);
    EXPECT_EQ(CImageWindow::ClampScroll(300, 300, 400), 0); // never negative
    EXPECT_EQ(CImageWindow::ClampScroll(0, 1600, 400), 0);
}

TEST(ImageWindow, ActualSizeScrollsAndIsPulledBackWhenWidened)
{
    testsupport::TempDir dir;
    QImage picture(800, 600, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const QString path = QString::fromStdString((dir / "p.png").string());
    ASSERT_TRUE(picture.save(path));
    CImageWindow view;
    view.resize(400, 300);
    view.show();
    ASSERT_TRUE(view.LoadImage(path));
    view.SetFitMode(0);
    QApplication::processEvents();
    view.OnHScroll(SB_RIGHT);
    const int right = view.ScrollPos().x();
    EXPECT_EQ(right, 800 - view.viewport()->width());
    view.resize(600, 300);
    QApplication::processEvents();
    EXPECT_EQ(view.ScrollPos().x(), 800 - view.viewport()->width());
    view.resize(1000, 700);
    QApplication::processEvents();
    EXPECT_EQ(view.ScrollPos(), QPoint(0, 0));

    EXPECT_FALSE(view.LoadImage(QString::fromStdString((dir / "missing.png").string())));
    EXPECT_FALSE(view.HasImage());
}

TEST(PreviewDialog, APictureOpensOnTheImageTabInBestFit)
{
    testsupport::TempDir dir;
    QImage picture(1600, 400, QImage::Format_RGB32);
    picture.fill(Qt::darkBlue);
    const QString path = QString::fromStdString((dir / "wide.dat").string());
    ASSERT_TRUE(picture.save(path, "PNG"));
    CFilePreViewDlg dlg;
    dlg.SetFile(path, QStringLiteral("wide.dat"));
    dlg.ShowModeless();
    QApplication::processEvents();
    EXPECT_EQ(dlg.GetCurrentTab(), CFilePreViewDlg::kTabImage);
    EXPECT_EQ(dlg.ImageView()->GetFitMode(), 1);
    EXPECT_FALSE(dlg.BestFitButton()->isEnabled());
    EXPECT_TRUE(dlg.ActualSizeButton()->isEnabled());
    EXPECT_TRUE(dlg.ActualSizeButton()->isVisible());
    QTest::mouseClick(dlg.ActualSizeButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.ImageView()->GetFitMode(), 0);
    EXPECT_TRUE(dlg.BestFitButton()->isEnabled());
    EXPECT_FALSE(dlg.ActualSizeButton()->isEnabled());
    QTest::mouseClick(dlg.BestFitButton(), Qt::LeftButton);
    EXPECT_EQ(dlg.ImageView()->GetFitMode(), 1);
    dlg.close();

    // Plain text, whatever its name: no image, the Text tab.
    CFilePreViewDlg text;
    text.SetFile(WriteFile(dir, "photo.jpg", "just words\n"), QStringLiteral("photo.jpg"));
    text.ShowModeless();
    QApplication::processEvents();
    EXPECT_EQ(text.GetCurrentTab(), CFilePreViewDlg::kTabText);
    EXPECT_FALSE(text.ImageView()->HasImage());
    text.close();
}
