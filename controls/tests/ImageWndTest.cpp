// The shaped animation window: frame regions, the animation's steps and placement.
#include "controls/CImageWnd.h"
#include "controls/CResourceLibrary.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

// Exposes the timer's step.
class TestImageWnd : public CImageWnd {
public:
    using CImageWnd::CImageWnd;
    using CImageWnd::OnTimer;
};

// A strip of n frames of w x h on white; frame i has an opaque (ink) square of side i + 1 at its top-left.
QImage GrowingSquares(int n, int w, int h)
{
    QImage strip = SolidImage(n * w, h, 0xFFFFFFFF);
    QPainter p(&strip);
    for (int i = 0; i < n; ++i)
        p.fillRect(QRect(i * w, 0, std::min(i + 1, w), std::min(i + 1, h)), QColor(0x20, 0x40, 0x80));
    return strip;
}

QRegion Expected(std::initializer_list<QRect> rects)
{
    QRegion r;
    for (const QRect& x : rects) r += x;
    return r;
}

} // namespace

TEST(ImageWndRegion, KeyChannelsAreComparedChannelForChannel)
{
    // Key pure red. A pure blue pixel must stay: comparing the pixel's memory bytes (blue first) against
    // the key's red would cut it out and keep the red one.
    QImage strip = SolidImage(3, 1, qRgb(255, 0, 0));
    strip.setPixel(1, 0, qRgb(0, 0, 255));
    EXPECT_EQ(CImageWnd::BitmapToRegion(strip, 1, 0, RGB(255, 0, 0), 0), QRegion(1, 0, 1, 1));

    // The tolerance reaches upward from the key only, per channel.
    QImage shades(5, 1, QImage::Format_RGB32);
    const QRgb px[] = {qRgb(0x80, 0x80, 0x80), qRgb(0x90, 0x90, 0x90), qRgb(0x91, 0x80, 0x80), qRgb(0x7F, 0x80, 0x80),
                       qRgb(0x80, 0x85, 0x8F)};
    for (int x = 0; x < 5; ++x) shades.setPixel(x, 0, px[x]);
    EXPECT_EQ(CImageWnd::BitmapToRegion(shades, 1, 0, RGB(0x80, 0x80, 0x80), CImageWnd::kTolerance),
              Expected({QRect(2, 0, 2, 1)}));
    // A key near white: the upper bound stops at 255.
    EXPECT_TRUE(
        CImageWnd::BitmapToRegion(SolidImage(2, 2, 0xFFFFFFFF), 1, 0, RGB(0xF8, 0xF8, 0xF8), CImageWnd::kTolerance)
            .isEmpty());
}

TEST(ImageWndRegion, RowsOfRunsPerFrame)
{
    const QImage strip = GrowingSquares(4, 6, 5);
    EXPECT_EQ(CImageWnd::BitmapToRegion(strip, 4, 0, RGB(255, 255, 255), CImageWnd::kTolerance), QRegion(0, 0, 1, 1));
    EXPECT_EQ(CImageWnd::BitmapToRegion(strip, 4, 3, RGB(255, 255, 255), CImageWnd::kTolerance), QRegion(0, 0, 4, 4));
    // Out of range, no frames, no bitmap.
    EXPECT_TRUE(CImageWnd::BitmapToRegion(strip, 4, 4, 0xFFFFFF, 0).isEmpty());
    EXPECT_TRUE(CImageWnd::BitmapToRegion(strip, 0, 0, 0xFFFFFF, 0).isEmpty());
    EXPECT_TRUE(CImageWnd::BitmapToRegion(QImage(), 1, 0, 0xFFFFFF, 0).isEmpty());

    // A frame of many separate runs (a 120 x 60 checkerboard: 3600 runs) gives one region covering them.
    QImage board = SolidImage(120, 60, 0xFFFFFFFF);
    for (int y = 0; y < 60; ++y)
        for (int x = (y & 1); x < 120; x += 2) board.setPixel(x, y, qRgb(0, 0, 0));
    const QRegion r = CImageWnd::BitmapToRegion(board, 1, 0, RGB(255, 255, 255), 0);
    int inside = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool opaque = ((x + y) & 1) == 0;
            EXPECT_EQ(r.contains(QPoint(x, y)), opaque) << x << "," << y;
            inside += opaque;
        }
    EXPECT_EQ(inside, 3600);
}

TEST(ImageWnd, RefusesStripsWithoutFrames)
{
    TestImageWnd wnd;
    EXPECT_FALSE(wnd.LoadFrames(GrowingSquares(2, 4, 4), 0, 100, 0xFFFFFF, true));
    EXPECT_FALSE(wnd.LoadFrames(SolidImage(3, 3, 0xFF000000), 4, 100, 0xFFFFFF, true)); // narrower than 4 frames
    EXPECT_FALSE(wnd.LoadFrames(64999, 12, 120, 0xFFFFFF, true));                       // no such bitmap
    EXPECT_EQ(wnd.GetFrameCount(), 0);
    wnd.Start(); // nothing loaded: does nothing
    EXPECT_FALSE(wnd.IsRunning());
    wnd.OnTimer(); // and a stray tick divides by nothing
    EXPECT_EQ(wnd.GetCurrentFrame(), 0);
}

TEST(ImageWnd, NonLoopingAnimationStopsAfterItsLastFrame)
{
    QWidget parent;
    TestImageWnd wnd(&parent);
    ASSERT_TRUE(wnd.LoadFrames(GrowingSquares(12, 16, 16), 12, 120, RGB(255, 255, 255), false));
    wnd.Start();
    EXPECT_TRUE(wnd.IsRunning());
    EXPECT_FALSE(wnd.IsStopped());
    for (int tick = 1; tick <= 11; ++tick) {
        wnd.OnTimer();
        EXPECT_EQ(wnd.GetCurrentFrame(), tick);
        // The shape follows the frame as it changes, not when painting.
        EXPECT_EQ(wnd.mask(), wnd.FrameRegion(tick));
    }
    EXPECT_FALSE(wnd.IsStopped());
    wnd.OnTimer();
    EXPECT_TRUE(wnd.IsStopped());
    EXPECT_FALSE(wnd.IsRunning());
    EXPECT_EQ(wnd.GetCurrentFrame(), 0);
    EXPECT_EQ(wnd.mask(), wnd.FrameRegion(0));
}

TEST(ImageWnd, LoopingAnimationWrapsAndNeverStops)
{
    TestImageWnd wnd;
    ASSERT_TRUE(wnd.LoadFrames(GrowingSquares(3, 8, 8), 3, 50, RGB(255, 255, 255), true));
    wnd.Start();
    const int expected[] = {1, 2, 0, 1, 2, 0, 1};
    for (int f : expected) {
        wnd.OnTimer();
        EXPECT_EQ(wnd.GetCurrentFrame(), f);
    }
    EXPECT_FALSE(wnd.IsStopped());
    EXPECT_TRUE(wnd.IsRunning());
    wnd.Stop();
    EXPECT_TRUE(wnd.IsStopped());
}

TEST(ImageWnd, AFullyTransparentFrameKeepsTheLastShapeAndPaintsNothing)
{
    QImage strip = GrowingSquares(2, 8, 8);
    QPainter(&strip).fillRect(QRect(8, 0, 8, 8), Qt::white); // frame 1 is all key colour
    TestImageWnd wnd;
    ASSERT_TRUE(wnd.LoadFrames(strip, 2, 50, RGB(255, 255, 255), true));
    EXPECT_TRUE(wnd.FrameRegion(1).isEmpty());
    wnd.Start();
    wnd.OnTimer();
    EXPECT_EQ(wnd.GetCurrentFrame(), 1);
    EXPECT_EQ(wnd.mask(), wnd.FrameRegion(0));
}

TEST(ImageWnd, MoveToCentresOneFrame)
{
    QWidget parent;
    parent.resize(400, 300);
    TestImageWnd wnd(&parent);
    wnd.MoveTo(10, 10); // no strip: nothing
    EXPECT_NE(wnd.geometry(), QRect(-6, 0, 32, 20));

    ASSERT_TRUE(wnd.LoadFrames(GrowingSquares(4, 32, 20), 4, 50, RGB(255, 255, 255), true));
    wnd.MoveTo(-1, -1);
    EXPECT_EQ(wnd.geometry(), QRect(200 - 16, 150 - 10, 32, 20));
    wnd.MoveTo(100, 50);
    EXPECT_EQ(wnd.geometry(), QRect(84, 40, 32, 20));

    TestImageWnd orphan;
    ASSERT_TRUE(orphan.LoadFrames(GrowingSquares(4, 32, 20), 4, 50, RGB(255, 255, 255), true));
    const QRect before = orphan.geometry();
    orphan.MoveTo(-1, -1);
    EXPECT_EQ(orphan.geometry(), before);
}

TEST(ImageWnd, TheWaitStripOfTheSkinLoads)
{
    TestImageWnd wnd;
    ASSERT_TRUE(wnd.LoadFrames(150, 12, 120, RGB(255, 255, 255), true));
    EXPECT_EQ(wnd.GetFrameCount(), 12);
    EXPECT_EQ(wnd.FrameSize(), QSize(32, 32));
    for (int i = 0; i < 12; ++i) {
        const QRegion r = wnd.FrameRegion(i);
        EXPECT_FALSE(r.isEmpty()) << i;
        EXPECT_FALSE(r.contains(QPoint(0, 0))) << i;   // the white corner is cut out
        EXPECT_FALSE(r.contains(QPoint(16, 16))) << i; // and so is the middle of the ring
    }
}
