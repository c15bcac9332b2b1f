// The extended list: cell layout, rows and cells, clicks on check boxes, keys, scroll ranges that follow
// the rows, and the look of a selected row.
#include "controls/CExtendHeaderCtrl.h"
#include "controls/CExtendListCtrl.h"
#include "controls/ICheckBoxNotify.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

struct CheckLog : ICheckBoxNotify {
    std::vector<std::string> calls;
    void OnCheckBoxChanged(bool bChecked, unsigned nRow, int nCell, int nItem) override
    {
        calls.push_back(std::to_string(bChecked) + " " + std::to_string(nRow) + " " + std::to_string(nCell) + " " +
                        std::to_string(nItem));
    }
};

CExtendListCell TextCell(const QString& text, COLORREF colour = 0)
{
    CExtendListCell c;
    c.nItemCount = 1;
    c.items[0].szText = text;
    c.crText = colour;
    return c;
}

CExtendListCell CheckCell(const QString& text, ICheckBoxNotify* receiver, bool checked = false)
{
    CExtendListCell c = TextCell(text);
    c.items[0].bHasCheckBox = true;
    c.items[0].bChecked = checked;
    c.items[0].pCheckBoxNotify = receiver;
    return c;
}

// A list of 300 x 200 with two columns (150 + 100) under a parent that records its messages.
struct ListFixture {
    MessageRecorder parent;
    CExtendListCtrl list;
    ListFixture()
    {
        parent.resize(400, 300);
        list.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 300, 200}, &parent, 1201);
        list.InsertColumn(QStringLiteral("Name"), 150, CExtendListCtrl::AF_LEFT);
        list.InsertColumn(QStringLiteral("Size"), 100, CExtendListCtrl::AF_RIGHT);
        parent.show();
    }
    void AddRows(int n, ICheckBoxNotify* receiver = nullptr)
    {
        for (int i = 0; i < n; ++i) {
            const int r = list.AddRow(20);
            CExtendListCell c = CheckCell(QStringLiteral("Row %1").arg(i), receiver);
            list.AddCell(unsigned(r), &c);
            c = TextCell(QStringLiteral("%1 MB").arg(i));
            list.AddCell(unsigned(r), &c);
        }
    }
    // The viewport point of a row's check box.
    QPoint CheckPoint(int row)
    {
        const RECT& b = list.GetRow(row)->cells[0].items[0].rcCheckBox;
        return QPoint(b.left + 5, b.top + 5) - QPoint(list.HorzPos(), list.VertPos());
    }
    void Paint() { (void)list.viewport()->grab(); }
    void Mouse(QEvent::Type type, Qt::MouseButton button, QPoint pt)
    {
        QMouseEvent e(type, pt, list.viewport()->mapToGlobal(pt), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &e);
    }
    void Key(int key)
    {
        QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&list, &e);
    }
};

} // namespace

TEST(ExtendListLayout, ElementsThatDoNotFitAreLeftOutAndCannotBeHit)
{
    auto width = [](const QString& t) { return int(t.size()) * 7; };
    CExtendListCell cell;
    cell.nItemCount = 3;
    cell.items[0].bHasCheckBox = true;
    cell.items[0].szText = QStringLiteral("abcd"); // 28 pixels
    cell.items[1].bHasCheckBox = true;
    cell.items[1].hIcon = QIcon(QPixmap::fromImage(SolidImage(16, 16, 0xFF0000FF)));
    cell.items[2].bHasCheckBox = true;
    cell.items[2].rcCheckBox = RECT{1, 2, 3, 4};

    // Wide enough for everything: box at x + 2, 14 wide, centred in the 20-pixel row.
    auto all = CExtendListCtrl::LayoutCell(cell, RECT{10, 100, 300, 120}, width);
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].rect, (RECT{12, 103, 26, 117}));
    EXPECT_EQ(all[1].kind, CExtendListCtrl::Element::Text);
    EXPECT_EQ(all[1].rect, (RECT{30, 100, 296, 120}));
    // After the text x = 28 + 28 + 2 + 4 = 62: second box at 64, its icon at 82, third box at 110.
    EXPECT_EQ(all[2].rect, (RECT{64, 103, 78, 117}));
    EXPECT_EQ(all[3].kind, CExtendListCtrl::Element::Icon);
    EXPECT_EQ(all[3].rect, (RECT{82, 100, 102, 120}));
    EXPECT_EQ(all[4].rect, (RECT{110, 103, 124, 117}));

    // A 70-pixel cell stops after the first item's text: the later boxes get empty rectangles.
    auto narrow = CExtendListCtrl::LayoutCell(cell, RECT{10, 100, 80, 120}, width);
    EXPECT_EQ(narrow.size(), 3u); // box, text, second box; no icon, no third box
    EXPECT_TRUE(cell.items[2].rcCheckBox == RECT{});

    // An item's icon that does not fit stops the walk before its text.
    CExtendListCell tiny = cell;
    auto none = CExtendListCtrl::LayoutCell(tiny, RECT{0, 0, 20, 20}, width);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_TRUE(tiny.items[1].rcCheckBox == RECT{});
    EXPECT_TRUE(tiny.items[2].rcCheckBox == RECT{});

    EXPECT_EQ(CExtendListCtrl::FormatOf(CExtendListCtrl::AF_LEFT), 0x40824u);
    EXPECT_EQ(CExtendListCtrl::FormatOf(CExtendListCtrl::AF_RIGHT), 0x40826u);
    EXPECT_EQ(CExtendListCtrl::FormatOf(CExtendListCtrl::AF_CENTER), 0x40825u);
    EXPECT_EQ(CExtendListCtrl::FormatOf(7), 0x40824u);
}

TEST(ExtendList, RowsStackBelowTheHeaderAndTakeOneCellPerColumn)
{
    ListFixture f;
    const int hh = f.list.Header()->GetHeight();
    EXPECT_GE(hh, CExtendHeaderCtrl::kDefaultHeight);
    EXPECT_EQ(f.list.AddRow(20), 0);
    EXPECT_EQ(f.list.AddRow(30), 1);
    EXPECT_EQ(f.list.GetRow(0)->nTop, hh);
    EXPECT_EQ(f.list.GetRow(1)->nTop, hh + 20);
    EXPECT_EQ(f.list.GetRow(2), nullptr);
    EXPECT_EQ(f.list.GetRow(-1), nullptr);

    CExtendListCell c = TextCell(QStringLiteral("a"));
    EXPECT_TRUE(f.list.AddCell(0, &c));
    EXPECT_TRUE(f.list.AddCell(0, &c));
    EXPECT_FALSE(f.list.AddCell(0, &c)); // a third cell for two columns
    EXPECT_FALSE(f.list.AddCell(5, &c));
    ASSERT_EQ(f.list.GetRow(0)->cells.size(), 2u);
    EXPECT_EQ(f.list.GetRow(0)->cells[0].nWidth, 150);
    EXPECT_EQ(f.list.GetRow(0)->cells[1].nWidth, 100);
    EXPECT_EQ(f.list.GetRow(0)->cells[1].uFormat, 0x40826u);
    EXPECT_FALSE(f.list.GetRow(1)->GetCheck()); // no cell
    EXPECT_EQ(f.list.GetSelectedRow(), -1);

    // Dragging a column's divider resizes that column's cells in every row.
    f.list.Header()->SetItemWidth(0, 90);
    EXPECT_EQ(f.list.GetRow(0)->cells[0].nWidth, 90);
    EXPECT_EQ(f.list.ContentWidth(), 190);

    f.list.DeleteAllRows();
    EXPECT_EQ(f.list.GetRowCount(), 0);
    EXPECT_EQ(f.list.Header()->GetItemCount(), 2);
}

TEST(ExtendList, ClicksToggleCheckBoxesSelectRowsAndRightClicksNotify)
{
    ListFixture f;
    CheckLog log;
    f.AddRows(3, &log);
    f.list.SetNotifyWnd(&f.parent);
    f.Paint(); // painting places the check boxes

    f.Mouse(QEvent::MouseButtonPress, Qt::LeftButton, f.CheckPoint(1));
    EXPECT_TRUE(f.list.GetRow(1)->GetCheck());
    EXPECT_EQ(f.list.GetSelectedRow(), 1);
    EXPECT_EQ(log.calls, std::vector<std::string>{"1 1 0 0"});

    // A double click is a press, then the double click: the box toggles twice.
    f.Mouse(QEvent::MouseButtonPress, Qt::LeftButton, f.CheckPoint(2));
    f.Mouse(QEvent::MouseButtonRelease, Qt::LeftButton, f.CheckPoint(2));
    f.Mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, f.CheckPoint(2));
    EXPECT_FALSE(f.list.GetRow(2)->GetCheck());
    EXPECT_EQ(log.calls.size(), 3u);
    EXPECT_EQ(f.list.GetSelectedRow(), 2);

    // A click on the text selects without toggling; a right click toggles and tells the notify window.
    const RECT& box0 = f.list.GetRow(0)->cells[0].items[0].rcCheckBox;
    f.Mouse(QEvent::MouseButtonPress, Qt::LeftButton,
            QPoint(box0.right + 40, box0.top + 3) - QPoint(0, f.list.VertPos()));
    EXPECT_EQ(f.list.GetSelectedRow(), 0);
    EXPECT_FALSE(f.list.GetRow(0)->GetCheck());
    f.Mouse(QEvent::MouseButtonRelease, Qt::RightButton, f.CheckPoint(0));
    EXPECT_TRUE(f.list.GetRow(0)->GetCheck());
    ASSERT_EQ(f.parent.messages.size(), 1u);
    EXPECT_EQ(f.parent.messages[0].msg, 2024u);
    EXPECT_EQ(f.parent.messages[0].wParam, 0u);
    EXPECT_EQ(f.parent.messages[0].lParam, 0);
    EXPECT_EQ(log.calls.back(), "1 0 0 0");

    // Only one row is selected at a time.
    int selected = 0;
    for (int i = 0; i < f.list.GetRowCount(); ++i) selected += f.list.GetRow(i)->bSelected;
    EXPECT_EQ(selected, 1);
}

TEST(ExtendList, ArrowKeysMoveTheSelectionWithinTheRows)
{
    ListFixture f;
    f.AddRows(3);
    f.Key(Qt::Key_Down); // nothing selected yet: nothing happens
    EXPECT_EQ(f.list.GetSelectedRow(), -1);
    f.list.SelectRow(f.list.GetRow(0));
    f.Key(Qt::Key_Up);
    EXPECT_EQ(f.list.GetSelectedRow(), 0);
    f.Key(Qt::Key_Down);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.list.GetSelectedRow(), 2);
    f.Key(Qt::Key_Down);
    EXPECT_EQ(f.list.GetSelectedRow(), 2);
    f.Key(Qt::Key_Up);
    EXPECT_EQ(f.list.GetSelectedRow(), 1);
}

TEST(ExtendList, ScrollRangesFollowTheRowsAndKeepTheSelectionInView)
{
    ListFixture f;
    const int hh = f.list.Header()->GetHeight();
    f.AddRows(3);
    EXPECT_EQ(f.list.VertPage(), 0); // fits: no page, the wheel does nothing
    QWheelEvent down(QPointF(50, 50), QPointF(50, 50), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.list.viewport(), &down);
    EXPECT_EQ(f.list.VertPos(), 0);

    // Rows added later make the range grow at once, without a resize.
    f.AddRows(27);
    const int client = f.list.viewport()->height();
    EXPECT_EQ(f.list.ContentHeight(), hh + 30 * 20);
    EXPECT_EQ(f.list.VertPage(), client);
    EXPECT_EQ(f.list.verticalScrollBar()->maximum(), hh + 600 - client);

    QApplication::sendEvent(f.list.viewport(), &down);
    EXPECT_EQ(f.list.VertPos(), 10);

    // Selecting the last row scrolls it fully into view, and it can be scrolled to.
    f.list.SelectRow(f.list.GetRow(29));
    const CExtendListRow* last = f.list.GetRow(29);
    EXPECT_EQ(f.list.VertPos(), last->Bottom() - client);
    f.list.SelectRow(f.list.GetRow(0));
    EXPECT_EQ(f.list.VertPos(), 0);
    EXPECT_EQ(f.list.ScrollVert(100000), hh + 600 - client); // never past the last page

    // A new size starts at the top again; deleting the rows takes the range away.
    f.list.resize(300, 150);
    EXPECT_EQ(f.list.VertPos(), 0);
    f.list.DeleteAllRows();
    EXPECT_EQ(f.list.VertPage(), 0);
    EXPECT_EQ(f.list.verticalScrollBar()->maximum(), 0);
}

TEST(ExtendList, SelectedRowsKeepTheirTextReadable)
{
    ListFixture f;
    const int r = f.list.AddRow(24);
    CExtendListCell c = TextCell(QStringLiteral("WWWWWWWW"), RGB(0, 0, 0));
    f.list.AddCell(unsigned(r), &c);
    f.list.SelectRow(f.list.GetRow(r));
    const QImage img = f.list.viewport()->grab().toImage();
    const CExtendListRow* row = f.list.GetRow(r);
    int dark = 0;
    for (int y = row->nTop; y < row->Bottom(); ++y)
        for (int x = 0; x < 100; ++x) dark += qGray(img.pixel(x, y)) < 100;
    EXPECT_GT(dark, 20); // the black text shows on the light selection fill
    EXPECT_EQ(img.pixel(140, row->nTop + 2) | 0xFF000000u, CExtendListCtrl::kSelectedFill);
}

// Right of the last column the header keeps its own background and bottom line, whatever colours the list
// and its window use (a pale yellow base showed through there).
TEST(ExtendList, HeaderPastTheLastColumnIsTheHeadersBackground)
{
    ListFixture f;
    QPalette yellow = f.parent.palette();
    for (QPalette::ColorRole role : {QPalette::Base, QPalette::Window, QPalette::Button, QPalette::AlternateBase})
        yellow.setColor(role, QColor(255, 255, 225));
    f.parent.setPalette(yellow);
    f.list.setPalette(yellow);
    f.list.Header()->setPalette(yellow);
    f.list.resize(400, 200);
    CExtendHeaderCtrl* header = f.list.Header();
    ASSERT_LT(header->GetTotalWidth(), header->width() - 20);
    const QImage shot = header->grab().toImage();
    const int x = header->GetTotalWidth() + 10;
    EXPECT_EQ(QColor(shot.pixel(x, shot.height() / 2)), QColor::fromRgb(ToQColor(header->BackColor()).rgb()));
}
