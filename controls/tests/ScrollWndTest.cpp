// The scroll windows: positions for each bar request, the wheel, which bars show, and the bar that
// passes its input on to its parent.
#include "controls/CScrollWnd.h"
#include "controls/CVscrollwnd.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

struct RecordingScrollWnd : CScrollWnd {
    std::vector<int> vert, horz;
    void OnVertScrolled(int nPos) override { vert.push_back(nPos); }
    void OnHorzScrolled(int nPos) override { horz.push_back(nPos); }
};

struct EventSink : QWidget {
    std::vector<std::pair<int, int>> got;
    bool event(QEvent* e) override
    {
        if (e->type() == CVScrollEvent::EventType()) {
            auto* s = static_cast<CVScrollEvent*>(e);
            got.emplace_back(s->Code(), s->ThumbPos());
            return true;
        }
        return QWidget::event(e);
    }
};

} // namespace

TEST(ScrollWndPositions, EachRequestGivesItsPosition)
{
    const struct {
        const char* name;
        int code, pos, track, expected;
    } cases[] = {
        {"line up at the minimum", SB_LINEUP, 0, 0, 0},
        {"line up", SB_LINEUP, 5, 0, 4},
        {"line down at the maximum", SB_LINEDOWN, 100, 0, 100},
        {"line down", SB_LINEDOWN, 5, 0, 6},
        {"page up past the minimum", SB_PAGEUP, 5, 0, 0},
        {"page up", SB_PAGEUP, 50, 0, 40},
        {"page down", SB_PAGEDOWN, 50, 0, 60},
        {"page down past the maximum", SB_PAGEDOWN, 95, 0, 100},
        {"top", SB_TOP, 50, 0, 0},
        {"bottom", SB_BOTTOM, 50, 0, 100},
        {"thumb track", SB_THUMBTRACK, 50, 33, 33},
        {"thumb position", SB_THUMBPOSITION, 50, 33, 50},
        {"end scroll", SB_ENDSCROLL, 50, 33, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SCROLLINFO si{0, 100, 20, c.pos, c.track};
        EXPECT_EQ(CScrollWnd::RequestedPos(c.code, si, 10), c.expected);
    }
    // The bar keeps positions within its last page: 0..100 with a page of 20 ends at 81.
    EXPECT_EQ(CScrollWnd::ClampToBar(100, SCROLLINFO{0, 100, 20, 0, 0}), 81);
    EXPECT_EQ(CScrollWnd::ClampToBar(-4, SCROLLINFO{0, 100, 20, 0, 0}), 0);
    // The wheel moves by the raw delta and stops at max - page.
    EXPECT_EQ(CScrollWnd::WheelPos(SCROLLINFO{0, 100, 20, 50, 0}, -120), 80);
    EXPECT_EQ(CScrollWnd::WheelPos(SCROLLINFO{0, 100, 20, 50, 0}, 120), 0);
    EXPECT_EQ(CScrollWnd::WheelPos(SCROLLINFO{0, 100, 100, 50, 0}, -120), 50);
}

TEST(ScrollWnd, TheViewIsToldThePositionTheBarKeeps)
{
    QWidget parent;
    parent.resize(400, 300);
    RecordingScrollWnd wnd;
    wnd.Create(QRect(0, 0, 200, 150), &parent);
    wnd.SetContentSize(QSize(1000, 1000));
    wnd.UpdateScrollBars();
    wnd.SetVertRange(100);
    wnd.SetVertPage(20);

    wnd.OnVScroll(SB_BOTTOM);
    EXPECT_EQ(wnd.vert.back(), 81);
    EXPECT_EQ(wnd.VertInfo().nPos, 81);
    EXPECT_EQ(wnd.verticalScrollBar()->value(), 81);
    wnd.OnVScroll(SB_LINEDOWN); // at the bar's end: unchanged, still told
    EXPECT_EQ(wnd.vert.back(), 81);
    wnd.OnVScroll(SB_PAGEUP);
    EXPECT_EQ(wnd.vert.back(), 61);
    wnd.OnVScroll(SB_THUMBPOSITION, 5);
    EXPECT_EQ(wnd.vert.back(), 61);
    EXPECT_EQ(wnd.vert.size(), 4u);

    // The bar's own buttons come through the same way.
    wnd.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(wnd.vert.back(), 0);
    EXPECT_EQ(wnd.verticalScrollBar()->value(), 0);

    QWheelEvent down(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                     Qt::NoScrollPhase, false);
    QApplication::sendEvent(wnd.viewport(), &down);
    EXPECT_EQ(wnd.vert.back(), 80);

    wnd.SetHorzRange(50);
    wnd.SetHorzPage(10);
    wnd.OnHScroll(SB_RIGHT);
    EXPECT_EQ(wnd.horz.back(), 41);
    wnd.OnHScroll(SB_PAGELEFT);
    EXPECT_EQ(wnd.horz.back(), 31);
}

TEST(ScrollWnd, BarsShowUnlessTheContentIsSmallerThanTheClient)
{
    QWidget parent;
    RecordingScrollWnd wnd;
    wnd.Create(QRect(0, 0, 200, 150), &parent);
    parent.show();
    // The initial content size (-1, -1) hides both bars.
    EXPECT_EQ(wnd.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(wnd.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const QSize client = wnd.viewport()->size();
    EXPECT_EQ(wnd.ClientRect().size(), client);

    wnd.SetContentSize(client);
    wnd.UpdateScrollBars();
    EXPECT_EQ(wnd.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    wnd.SetContentSize(QSize(0, 0));
    wnd.UpdateScrollBars();
    EXPECT_EQ(wnd.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    wnd.SetContentSize(QSize(10, 10));
    wnd.UpdateScrollBars();
    EXPECT_EQ(wnd.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(wnd.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    const QSize full = wnd.viewport()->size();
    wnd.SetContentSize(QSize(full.width() - 1, 1000));
    wnd.UpdateScrollBars();
    EXPECT_EQ(wnd.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(wnd.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST(VScrollWnd, PassesRequestsToItsParentOnly)
{
    CVscrollwnd orphan;
    EXPECT_FALSE(orphan.OnVScroll(SB_THUMBTRACK, 77));
    EXPECT_EQ(orphan.LastThumbPos(), 0);

    EventSink sink;
    CVscrollwnd bar(&sink);
    bar.setRange(0, 100000);
    EXPECT_TRUE(bar.OnVScroll(SB_THUMBTRACK, 70000)); // beyond a 16-bit word
    EXPECT_EQ(bar.LastThumbPos(), 70000);
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_TRUE(sink.got.empty()); // posted, not sent
    QCoreApplication::sendPostedEvents(&sink);
    ASSERT_EQ(sink.got.size(), 2u);
    EXPECT_EQ(sink.got[0], std::make_pair(SB_THUMBTRACK, 70000));
    EXPECT_EQ(sink.got[1].first, SB_LINEDOWN);
}
