// The splitter with one fixed pane: where a drag ends, what a resize keeps, and the flat bars.
#include "controls/CExSplitterWnd.h"

#include <QSplitterHandle>
#include <gtest/gtest.h>

TEST(ExSplitterBounds, DragResultsAreBoundedToTheFixedPanesLimits)
{
    using S = CExSplitterWnd;
    const struct {
        const char* name;
        int mode, fixedIndex, s, first;
        std::optional<int> expected;
    } cases[] = {
        // A fixed first column of 100..400 in a 606-pixel splitter with a 6-pixel bar.
        {"column below minimum", S::ModeColumns, 0, 50, 50, 100},
        {"column above maximum", S::ModeColumns, 0, 500, 500, 400},
        {"column within", S::ModeColumns, 0, 250, 250, std::nullopt},
        // A fixed second row of 100..340: the first row takes the rest.
        {"row below minimum", S::ModeRows, 1, 60, 540, 606 - 100 - 6},
        {"row above maximum", S::ModeRows, 1, 590, 10, 606 - 340 - 6},
        {"row within, first row too small", S::ModeRows, 1, 150, 12, 20},
        {"row within", S::ModeRows, 1, 150, 450, std::nullopt},
        {"second column within, first small", S::ModeColumns, 1, 150, 12, std::nullopt}, // rows only
        {"no mode", S::ModeNone, 0, 5, 5, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(S::FirstPaneAfterDrag(c.mode, c.fixedIndex, c.s, c.first, 606, 6, 100, 340 + (c.fixedIndex ? 0 : 60)),
                  c.expected);
    }
    EXPECT_EQ(S::FirstPaneForFixedSecond(300, 100, 6), 194);
    EXPECT_EQ(S::FirstPaneForFixedSecond(90, 100, 6), 0);
}

TEST(ExSplitter, FixedFirstColumnKeepsItsWidthAndIsBoundedAfterADrag)
{
    QWidget host; // a child window, as in the pages
    host.resize(1000, 600);
    CExSplitterWnd split(Qt::Horizontal, &host);
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.SetFixedColumn(0, 200, 100, 400);
    split.resize(700, 300);
    host.show();
    EXPECT_EQ(split.PaneSize(0), 200);
    EXPECT_EQ(split.Overhead(), CExSplitterWnd::kBarWidth);

    split.resize(900, 300);
    EXPECT_EQ(split.PaneSize(0), 200);

    split.setSizes({50, 844});
    split.OnDragEnd();
    EXPECT_EQ(split.PaneSize(0), 100);
    split.setSizes({500, 394});
    split.OnDragEnd();
    EXPECT_EQ(split.PaneSize(0), 400);
    split.setSizes({300, 594});
    split.OnDragEnd();
    EXPECT_EQ(split.PaneSize(0), 300);
}

TEST(ExSplitter, FixedSecondRowKeepsItsHeightWhileTheFirstShrinks)
{
    QWidget host; // a child window, as in the pages
    host.resize(1000, 600);
    CExSplitterWnd split(Qt::Horizontal, &host);
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.SetFixedRow(1, 100, 100, 340);
    EXPECT_EQ(split.orientation(), Qt::Vertical);
    split.resize(400, 500);
    host.show();
    EXPECT_EQ(split.PaneSize(1), 100);
    EXPECT_EQ(split.PaneSize(0), 500 - 100 - split.Overhead());

    split.resize(400, 300);
    EXPECT_EQ(split.PaneSize(1), 100);
    EXPECT_EQ(split.PaneSize(0), 194);

    // Dragged within its bounds with a first row under 20 pixels: the first row gets 20 back.
    split.setSizes({10, 284});
    split.OnDragEnd();
    EXPECT_EQ(split.PaneSize(0), 20);
}

TEST(ExSplitter, BarsArePaintedFlatInOneColour)
{
    QWidget host; // a child window, as in the pages
    host.resize(1000, 600);
    CExSplitterWnd split(Qt::Horizontal, &host);
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.resize(300, 100);
    host.show();
    QSplitterHandle* bar = split.handle(1);
    ASSERT_NE(bar, nullptr);
    const QImage img = bar->grab().toImage();
    const QRgb expected = ToQColor(CExSplitterWnd::kBarColor).rgb();
    for (const QPoint& pt :
         {QPoint(0, 0), QPoint(img.width() - 1, img.height() / 2), QPoint(img.width() / 2, img.height() - 1)})
        EXPECT_EQ(img.pixel(pt) | 0xFF000000u, expected);
}

// Inside a tab strip the splitter is first laid out before the strip has its size: the fixed pane is squeezed
// then, and takes its width back once there is room; a width chosen by a drag is the one kept.
TEST(ExSplitter, AFixedColumnSqueezedAtFirstTakesItsWidthBack)
{
    QWidget host;
    host.resize(1000, 600);
    CExSplitterWnd split(Qt::Horizontal, &host);
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.SetFixedColumn(0, 200, 100, 400);
    split.resize(40, 300);
    host.show();
    EXPECT_LT(split.PaneSize(0), 200);
    split.resize(900, 300);
    EXPECT_EQ(split.PaneSize(0), 200);
    EXPECT_EQ(split.Overhead(), CExSplitterWnd::kBarWidth);

    split.setSizes({300, 594});
    split.OnDragEnd();
    split.resize(60, 300);
    split.resize(800, 300);
    EXPECT_EQ(split.PaneSize(0), 300);
}
