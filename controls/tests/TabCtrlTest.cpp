// The owner-drawn tab bar with its process-wide look, and the tab strip with one window per tab.
#include "controls/CEnTabCtrl.h"
#include "controls/CTabCtrlPlus.h"
#include "controls/ControlFont.h"
#include "controls/SysColors.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// Restores the process-wide look when a test ends.
struct LookGuard {
    ~LookGuard() { CEnTabCtrl::EnableCustomLook(false, 0); }
};

} // namespace

TEST(EnTabColours, LightenAndDarkenWorkPerChannel)
{
    const COLORREF c = RGB(200, 100, 50);
    EXPECT_EQ(LightenColor(c, 0.5f), c);
    EXPECT_EQ(LightenColor(c, 1.0f), c);
    EXPECT_EQ(LightenColor(c, 1.4f), RGB(255, 140, 70)); // 280 is above 254
    EXPECT_EQ(LightenColor(RGB(181, 0, 10), 1.4f), RGB(253, 0, 14));
    EXPECT_EQ(DarkenColor(c, 2.0f), c);
    EXPECT_EQ(DarkenColor(c, 0.5f), RGB(100, 50, 25));
    EXPECT_EQ(DarkenColor(c, -1.0f), RGB(0, 0, 0));
}

TEST(EnTabColours, TheLookFlagsChooseTabColours)
{
    LookGuard guard;
    CEnTabCtrl tabs;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF b = 0x37FCF6;
    tabs.SetBkgndColor(b);
    const struct {
        unsigned flags;
        COLORREF selected, back, backText;
    } cases[] = {
        {0, face, DarkenColor(face, 0.9f), DarkenColor(face, 0.5f)},
        {ETC_FLAT, face, b, DarkenColor(b, 0.5f)},
        {ETC_FLAT | ETC_BACKTABS, face, DarkenColor(face, 0.9f), DarkenColor(b, 0.5f)},
        {ETC_COLOR | ETC_SELECTION, LightenColor(b, 1.4f), DarkenColor(b, 0.9f), DarkenColor(b, 0.5f)},
        {0x1F, LightenColor(b, 1.4f), DarkenColor(b, 0.9f), DarkenColor(b, 0.5f)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        CEnTabCtrl::EnableCustomLook(true, c.flags);
        EXPECT_EQ(tabs.GetTabBackColor(true), c.selected);
        EXPECT_EQ(tabs.GetTabBackColor(false), c.back);
        EXPECT_EQ(tabs.GetTabTextColor(true), GetSysColor(COLOR_WINDOWTEXT));
        EXPECT_EQ(tabs.GetTabTextColor(false), c.backText);
    }
    // The default colour with the colour flag is the button face everywhere.
    tabs.SetBkgndColor(CLR_DEFAULT_BKGND);
    CEnTabCtrl::EnableCustomLook(true, ETC_COLOR | ETC_SELECTION);
    EXPECT_EQ(tabs.GetTabBackColor(true), LightenColor(face, 1.4f));
    EXPECT_EQ(tabs.GetTabBackColor(false), DarkenColor(face, 0.9f));
    EXPECT_EQ(tabs.GetTabTextColor(false), DarkenColor(face, 0.5f));
    CEnTabCtrl::EnableCustomLook(false, 0x1F);
    EXPECT_EQ(CEnTabCtrl::GetLookFlags(), 0u);
}

TEST(EnTab, DrawTypesAndTheTabFill)
{
    LookGuard guard;
    CEnTabCtrl tabs;
    EXPECT_FALSE(tabs.SetDrawType(3));
    EXPECT_FALSE(tabs.SetDrawType(-1));
    EXPECT_EQ(tabs.GetDrawType(), 0);
    EXPECT_FALSE(tabs.IsOwnerDrawn());
    CEnTabCtrl::EnableCustomLook(true, 0x1F);
    tabs.PreSubclassWindow();
    EXPECT_TRUE(tabs.IsOwnerDrawn());
    EXPECT_TRUE(tabs.SetDrawType(2));

    const auto bands = CEnTabCtrl::TabFill(QRect(0, 0, 50, 10), RGB(200, 200, 200), RGB(100, 0, 50), true);
    ASSERT_EQ(bands.size(), 5u);
    EXPECT_EQ(bands[0].colour, RGB(200, 200, 200));
    EXPECT_EQ(bands[1].colour, RGB(180, 160, 170)); // y = 2: c0 + 2 * (c1 - c0) / 10
    EXPECT_EQ(bands[4].rect, QRect(0, 8, 50, 2));
    EXPECT_EQ(CEnTabCtrl::TabFill(QRect(0, 0, 50, 10), 1, 2, false).size(), 1u);

    // On a surface of 8 bits per pixel the tab is filled flat even with the gradient flag.
    tabs.addTab(QStringLiteral("General"));
    tabs.addTab(QStringLiteral("RAW"));
    tabs.setCurrentIndex(0);
    QImage img(100, 40, QImage::Format_RGB32);
    img.fill(Qt::black);
    for (int bpp : {8, 32}) {
        SCOPED_TRACE(bpp);
        QPainter p(&img);
        DRAWITEMSTRUCT dis;
        dis.itemID = 1;
        dis.hDC = &p;
        dis.rcItem = QRect(0, 0, 100, 30);
        dis.bitsPerPixel = bpp;
        tabs.DrawItem(&dis);
        p.end();
        const bool flat = img.pixel(98, 1) == img.pixel(98, 28);
        EXPECT_EQ(flat, bpp == 8);
        EXPECT_EQ(img.pixel(98, 1) | 0xFF000000u, ToQColor(tabs.GetTabBackColor(false)).rgb());
    }
    // A label wider than its tab ends in an ellipsis.
    const QString cut = tabs.FormatTabText(QStringLiteral("A very long tab label indeed"), 60);
    EXPECT_TRUE(cut.endsWith(QChar(0x2026))) << cut.toStdString();
}

namespace {

struct StripFixture {
    MessageRecorder parent;
    CTabCtrlPlus strip;
    QLabel views[3];
    StripFixture()
    {
        parent.resize(500, 300);
        strip.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 400, 200}, &parent, 1300);
        for (QLabel& v : views) strip.AddWindow(&v);
        parent.show();
    }
    void Press(QPoint pt, QEvent::Type type = QEvent::MouseButtonPress)
    {
        QMouseEvent e(type, pt, strip.mapToGlobal(pt), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&strip, &e);
    }
};

} // namespace

TEST(TabStrip, TabsAfterTheFirstHaveCloseBoxesAndOverflowIsRefused)
{
    StripFixture f;
    EXPECT_EQ(f.strip.GetCurSel(), -1);
    EXPECT_EQ(f.strip.GetCurWindow(), nullptr);
    f.strip.InsertItem(QStringLiteral("Files"), 0);
    f.strip.InsertItem(QStringLiteral("Search 1"), 1);
    f.strip.InsertItem(QStringLiteral("Nowhere"), 3); // no such window
    ASSERT_EQ(f.strip.GetItemCount(), 2);
    const CTabCtrlPlusItem* first = f.strip.GetItem(0);
    const CTabCtrlPlusItem* second = f.strip.GetItem(1);
    EXPECT_FALSE(first->HasCloseBox());
    EXPECT_TRUE(second->HasCloseBox());
    const QFontMetrics fm(CreateControlFont());
    EXPECT_EQ(first->Rect().Width(), fm.horizontalAdvance(QStringLiteral("Files")) + 40);
    EXPECT_EQ(first->Rect().Height(), CTabCtrlPlus::kTabHeight);
    EXPECT_EQ(second->Rect().Width(), fm.horizontalAdvance(QStringLiteral("Search 1")) + 50);
    EXPECT_EQ(second->Rect().left, first->Rect().Width() + 5 - 1);
    EXPECT_EQ(f.strip.GetTotalWidth(), first->Rect().Width() + second->Rect().Width() - 1);
    // With 2-pixel tabs the close box is empty: nothing can hit it.
    EXPECT_TRUE(second->CloseBox().IsEmpty());

    // A tab wider than what is left is refused.
    f.strip.InsertItem(QString(200, QLatin1Char('W')), 2);
    EXPECT_EQ(f.strip.GetItemCount(), 2);
}

TEST(TabStrip, SelectionShowsOneWindowAndBadIndicesAreIgnored)
{
    StripFixture f;
    f.strip.InsertItem(QStringLiteral("Files"), 0);
    f.strip.InsertItem(QStringLiteral("Search 1"), 1);
    f.strip.InsertItem(QStringLiteral("Search 2"), 2);
    f.strip.SetCurSel(1);
    EXPECT_EQ(f.strip.GetCurSel(), 1);
    EXPECT_EQ(f.strip.GetCurWindow(), &f.views[1]);
    EXPECT_TRUE(f.views[1].isVisible());
    EXPECT_FALSE(f.views[0].isVisible());
    EXPECT_EQ(f.views[1].geometry(), QRect(1, 1, 398, 198));
    EXPECT_EQ(f.views[0].geometry().size(), QSize(0, 0));

    f.strip.SetCurSel(7);
    f.strip.SetCurSel(-1);
    f.strip.DeleteItem(9);
    EXPECT_EQ(f.strip.GetCurSel(), 1);
    EXPECT_EQ(f.strip.GetItemCount(), 3);

    f.strip.resize(300, 150);
    EXPECT_EQ(f.views[1].geometry(), QRect(1, 1, 298, 148));

    // Deleting selects tab 0 first: its window shows; the deleted tab's window stays, hidden.
    f.strip.DeleteItem(1);
    EXPECT_EQ(f.strip.GetItemCount(), 2);
    EXPECT_EQ(f.strip.GetCurSel(), 0);
    EXPECT_TRUE(f.views[0].isVisible());
    EXPECT_FALSE(f.views[1].isVisible());
    EXPECT_EQ(f.views[1].parentWidget(), &f.strip);
    EXPECT_EQ(f.strip.GetItem(1)->Text(), QStringLiteral("Search 2"));

    // Deleting the shown first tab shows the new first one.
    f.strip.DeleteItem(0);
    EXPECT_EQ(f.strip.GetCurWindow(), &f.views[2]);
    EXPECT_FALSE(f.views[0].isVisible());
}

TEST(TabStrip, TheWindowsOutliveTheStrip)
{
    QLabel view;
    {
        CTabCtrlPlus strip;
        strip.AddWindow(&view);
        EXPECT_EQ(view.parentWidget(), &strip);
        EXPECT_FALSE(strip.AddWindow(nullptr));
        EXPECT_EQ(strip.GetWindowCount(), 1);
    }
    EXPECT_EQ(view.parentWidget(), nullptr); // not deleted with the strip
}

TEST(TabStrip, ClickingABackTabSelectsItAndTellsTheParent)
{
    StripFixture f;
    f.strip.InsertItem(QStringLiteral("Files"), 0);
    f.strip.InsertItem(QStringLiteral("Search 1"), 1);
    f.strip.SetCurSel(0);
    const RECT second = f.strip.GetItem(1)->Rect();
    f.Press(QPoint(second.left + 5, 0));
    EXPECT_EQ(f.strip.GetCurSel(), 1);
    ASSERT_EQ(f.parent.messages.size(), 1u);
    EXPECT_EQ(f.parent.messages[0].msg, 2025u);
    // Clicking the selected tab, or below the tabs, changes nothing; a release without a press on a
    // close box sends nothing.
    f.Press(QPoint(second.left + 5, 1));
    f.Press(QPoint(5, 50));
    f.Press(QPoint(second.right - 15, 0), QEvent::MouseButtonRelease);
    EXPECT_EQ(f.parent.messages.size(), 1u);
    EXPECT_EQ(f.strip.GetItemCount(), 2);
}
