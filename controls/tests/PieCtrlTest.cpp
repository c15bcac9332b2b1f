// The space pie: slice angles and points for given amounts, edge areas, what is drawn, and the size.
#include "controls/CPieCtrl.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr COLORREF kBackground = RGB(0x40, 0x40, 0x40);

QRgb Rgb(COLORREF c)
{
    return ToQColor(c).rgb();
}

int CountColour(const QImage& img, COLORREF c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) | 0xFF000000u) == Rgb(c);
    return n;
}

} // namespace

TEST(PieGeometry, AnglesAddUpTo360)
{
    const int64_t big = std::numeric_limits<int64_t>::max();
    const struct {
        int64_t free, required, used;
        int a0, a1, a2;
    } cases[] = {
        {1, 1, 1, 120, 120, 120},     {1, 0, 0, 360, 0, 0},
        {0, 0, 5, 0, 0, 360},         {1, 1, 998, 0, 0, 360},         // tiny slices round to 0
        {2, 1, 997, 1, 0, 359},       {big, big, big, 120, 120, 120}, // the sum does not overflow
        {100, 200, 700, 36, 72, 252},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.free << " " << c.required << " " << c.used);
        const auto g = CPieCtrl::ComputePie(c.free, c.required, c.used, 200, 140);
        ASSERT_FALSE(g.empty);
        EXPECT_EQ(g.slices[0].angle, c.a0);
        EXPECT_EQ(g.slices[1].angle, c.a1);
        EXPECT_EQ(g.slices[2].angle, c.a2);
    }
    EXPECT_TRUE(CPieCtrl::ComputePie(0, 0, 0, 200, 140).empty);
    EXPECT_TRUE(CPieCtrl::ComputePie(-5, 2, 1, 200, 140).empty); // a negative amount: no pie
    EXPECT_TRUE(CPieCtrl::ComputePie(-5, -2, 0, 200, 140).empty);
}

TEST(PieGeometry, SlicesRunClockwiseFromThreeOClock)
{
    const auto g = CPieCtrl::ComputePie(1, 1, 1, 200, 140);
    EXPECT_EQ(g.rx, 70); // 200 / 100 * 35
    EXPECT_EQ(g.ry, 24); // 140 / 35 * 6
    EXPECT_EQ(g.centre, QPoint(100, 140 - 46));
    EXPECT_EQ(g.slices[0].start, QPoint(70, 0));
    // 120 degrees: cos * 70 = -34.99... -> -34, one further from 0 -> -35; sin * 24 = 20.78 -> 20 (below
    // the centre). 240 degrees: -35.00... -> -35 -> -36.
    EXPECT_EQ(g.slices[0].end, QPoint(-35, 20));
    EXPECT_EQ(g.slices[1].start, g.slices[0].end);
    EXPECT_EQ(g.slices[1].end, QPoint(-36, -20));
    EXPECT_EQ(g.slices[2].end, QPoint(70, 0));
    // Edge areas: the free slice (front, from the right edge) spans down to the bottom of the edge band;
    // the required slice starts on the front half too; the used slice starts at the back and has none.
    EXPECT_EQ(g.slices[0].edge, (RECT{-35, 0, 70, 24 + 12}));
    EXPECT_EQ(g.slices[1].edge, (RECT{-70, 0, -35, 20 + 12}));
    EXPECT_EQ(g.slices[2].edge, RECT{});
}

TEST(PieDrawing, DrawsOnlyThePieOnTheBackground)
{
    const int w = 200, h = 140;
    EXPECT_EQ(CountColour(CPieCtrl::RenderPie(CPieCtrl::ComputePie(0, 0, 0, w, h), w, h, kBackground), kBackground),
              w * h);

    // Only the free face for (1, 0, 0), and the free slice's edge colour below it.
    const auto g = CPieCtrl::ComputePie(1, 0, 0, w, h);
    const QImage one = CPieCtrl::RenderPie(g, w, h, kBackground);
    EXPECT_GT(CountColour(one, 0xFF00FF), 1000);
    EXPECT_EQ(CountColour(one, 0x05C9D3), 0);
    EXPECT_EQ(CountColour(one, 0xFF0000), 0);
    EXPECT_EQ(one.pixel(g.centre + QPoint(0, g.ry + 6)) | 0xFF000000u, Rgb(0x800080));
    // The fill stays inside the edge band: the corners and the area above the pie keep the background.
    EXPECT_EQ(one.pixel(0, 0) | 0xFF000000u, Rgb(kBackground));
    EXPECT_EQ(one.pixel(g.centre + QPoint(0, -g.ry - 3)) | 0xFF000000u, Rgb(kBackground));
    EXPECT_EQ(one.pixel(g.centre + QPoint(-g.rx - 3, 6)) | 0xFF000000u, Rgb(kBackground));
    EXPECT_EQ(one.pixel(g.centre + QPoint(0, g.ry + 12 + 3)) | 0xFF000000u, Rgb(kBackground));
    EXPECT_EQ(CountColour(one, RGB(255, 255, 255)), 0); // every white pixel of the band got its colour

    // Three slices: each face and the front edges in the slices' edge colours.
    const auto g3 = CPieCtrl::ComputePie(1, 1, 1, w, h);
    const QImage three = CPieCtrl::RenderPie(g3, w, h, kBackground);
    for (COLORREF face : {0xFF00FFu, 0x05C9D3u, 0xFF0000u})
        EXPECT_GT(CountColour(three, face), 500) << std::hex << face;
    EXPECT_EQ(three.pixel(g3.centre + QPoint(30, g3.ry + 6)) | 0xFF000000u, Rgb(0x800080));  // free, right front
    EXPECT_EQ(three.pixel(g3.centre + QPoint(-g3.rx + 4, 14)) | 0xFF000000u, Rgb(0x03787E)); // required, left front
}

TEST(PieCtrl, GrowsToItsMinimumSizeAndShowsAmountsAtItsNextPaint)
{
    QWidget parent;
    CPieCtrl pie;
    pie.Create(RECT{5, 6, 105, 56}, &parent, 1400);
    EXPECT_EQ(pie.geometry(), QRect(5, 6, 180, 130));
    pie.SetBkColor(kBackground);
    pie.SetSpace(10, 20, 30);
    EXPECT_TRUE(pie.LastDrawing().empty); // not repainted yet
    (void)pie.grab();
    EXPECT_FALSE(pie.LastDrawing().empty);
    EXPECT_EQ(pie.LastDrawing().slices[2].angle, 180);
    pie.SetSpace(0, 0, 0);
    const QImage img = pie.grab().toImage();
    EXPECT_EQ(CountColour(img, kBackground), 180 * 130);
}
