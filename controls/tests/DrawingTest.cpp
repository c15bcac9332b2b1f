// Masked bitmaps, the memory drawing surface, the transparent-bitmap function and the guarded file-icon
// lookup, drawn on images.
#include "controls/BitmapHelpers.h"
#include "controls/CMaskedBitmap.h"
#include "controls/CMemDC.h"
#include "controls/CResourceLibrary.h"
#include "controls/ShellFileInfo.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QPainter>
#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr QRgb kKey = 0xFF00FF00; // green, the transparent colour below
constexpr QRgb kInk = 0xFF1020C0;
constexpr QRgb kPaper = 0xFFF0E0D0;

// A 4 x 3 bitmap: the key colour everywhere except an ink pixel at (1, 1) and (3, 2).
QImage KeyedBitmap()
{
    QImage img = SolidImage(4, 3, kKey);
    img.setPixel(1, 1, kInk);
    img.setPixel(3, 2, kInk);
    return img;
}

int CountPixels(const QImage& img, QRgb colour)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) n += (img.pixel(x, y) | 0xFF000000u) == colour;
    return n;
}

} // namespace

TEST(MaskedBitmap, DrawCopiesAndDrawStretchedScales)
{
    const CMaskedBitmap bmp(KeyedBitmap());
    QImage target = SolidImage(10, 10, kPaper);
    {
        QPainter p(&target);
        bmp.Draw(&p, 2, 3);
    }
    EXPECT_EQ(target.pixel(3, 4), kInk);
    EXPECT_EQ(target.pixel(2, 3), kKey); // a plain copy keeps the key colour
    EXPECT_EQ(target.pixel(6, 3), kPaper);
    EXPECT_EQ(CountPixels(target, kKey), 10);

    target.fill(kPaper);
    {
        QPainter p(&target);
        bmp.DrawStretched(&p, 0, 0, 8, 6);
    }
    EXPECT_EQ(target.pixel(2, 2), kInk); // (1, 1) doubled covers (2..3, 2..3)
    EXPECT_EQ(target.pixel(3, 3), kInk);
    EXPECT_EQ(CountPixels(target, kInk), 8);
    EXPECT_EQ(target.pixel(8, 6), kPaper);
}

TEST(MaskedBitmap, DrawTransparentLeavesKeyPixelsUnchanged)
{
    const struct {
        const char* name;
        QImage bitmap;
        int paperLeft; // paper pixels of a 6 x 5 target after drawing at (1, 1)
    } cases[] = {
        {"mixed", KeyedBitmap(), 30 - 2},
        {"all key", SolidImage(4, 3, kKey), 30},
        {"no key", SolidImage(4, 3, kInk), 30 - 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage target = SolidImage(6, 5, kPaper);
        {
            QPainter p(&target);
            CMaskedBitmap(c.bitmap).DrawTransparent(&p, 1, 1, RGB(0, 255, 0));
        }
        EXPECT_EQ(CountPixels(target, kPaper), c.paperLeft);
        EXPECT_EQ(CountPixels(target, kKey), 0);
    }
}

TEST(MaskedBitmap, DrawTransparentKeepsDevicePixelSizeUnderAScale)
{
    QImage target = SolidImage(12, 12, kPaper);
    {
        QPainter p(&target);
        p.scale(2, 2);
        CMaskedBitmap(SolidImage(4, 3, kInk)).DrawTransparent(&p, 1, 1, RGB(0, 255, 0));
    }
    // Origin (1, 1) in logical units is (2, 2) on the device; the size stays 4 x 3 device pixels.
    EXPECT_EQ(CountPixels(target, kInk), 12);
    EXPECT_EQ(target.pixel(2, 2), kInk);
    EXPECT_EQ(target.pixel(5, 4), kInk);
    EXPECT_EQ(target.pixel(6, 4), kPaper);
}

TEST(MemDC, StartsBlackAndCopiesItsPictureWhenItEnds)
{
    QImage target = SolidImage(8, 8, kPaper);
    {
        QPainter p(&target);
        {
            CMemDC mem(&p, 5, 4);
            EXPECT_EQ(mem.Surface().pixel(0, 0), 0xFF000000u);
            mem.fillRect(QRect(1, 1, 2, 2), QColor::fromRgb(kInk));
            EXPECT_EQ(target.pixel(1, 1), kPaper); // nothing reaches the target before the end
        }
    }
    EXPECT_EQ(target.pixel(1, 1), kInk);
    EXPECT_EQ(target.pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(target.pixel(4, 3), 0xFF000000u);
    EXPECT_EQ(target.pixel(5, 4), kPaper);
}

TEST(DrawTransparentBitmap, ShowsTheBackgroundWhereTheSampledColourIs)
{
    const struct {
        const char* name;
        int xT, yT, cx, cy;
        int ink, background, paper;
    } cases[] = {
        {"key sampled at a key pixel", 0, 0, 4, 3, 2, 10, 64 - 12},
        {"key sampled at an ink pixel", 1, 1, 4, 3, 0, 2, 64 - 12},
        {"sample point outside", 9, 9, 4, 3, 2, 0, 64 - 12},
        {"size cut to the bitmap", 0, 0, 40, 30, 2, 10, 64 - 12},
        {"part of the bitmap", 0, 0, 2, 2, 1, 3, 64 - 4},
        {"nothing", 0, 0, 0, 3, 0, 0, 64},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage target = SolidImage(8, 8, kPaper);
        {
            QPainter p(&target);
            p.setBackground(QColor(0x40, 0x50, 0x60));
            DrawTransparentBitmap(&p, KeyedBitmap(), 2, 2, c.cx, c.cy, c.xT, c.yT);
        }
        EXPECT_EQ(CountPixels(target, kInk), c.ink);
        EXPECT_EQ(CountPixels(target, qRgb(0x40, 0x50, 0x60)), c.background);
        EXPECT_EQ(CountPixels(target, kPaper), c.paper);
    }
    const auto lines = log.Matching("ParmInfo:hdc, hBitmapSrc=");
    ASSERT_EQ(lines.size(), std::size(cases));
    EXPECT_NE(lines[3].find(";x=2;y=2;cxBitmap=28;cyBitmap=1e;xTransparent=0;yTransparent=0"), std::string::npos)
        << lines[3];
    EXPECT_EQ(GetBitmapSize(KeyedBitmap()), QSize(4, 3));
}

TEST(SafeGetFileInfo, FallsBackToOneApplicationIconList)
{
    SHFILEINFOA info;
    EXPECT_EQ(SafeGetFileInfo("/no/such/folder/file.txt", 0, nullptr, sizeof info, SHGFI_ICON), 0u);

    info.iIcon = 77;
    const std::uintptr_t first =
        SafeGetFileInfo("/no/such/folder/file.txt", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    ASSERT_NE(first, 0u);
    CImageList* list = ImageListFromResult(first);
    EXPECT_EQ(list, GetFallbackImageList());
    EXPECT_EQ(list->GetImageCount(), 1);
    EXPECT_EQ(info.iIcon, 0);
    EXPECT_FALSE(info.hIcon.isNull());
    EXPECT_EQ(info.hIcon.cacheKey(), list->GetIcon(0).cacheKey());

    // Another failure hands out the same list; nothing new is built.
    SHFILEINFOA again;
    EXPECT_EQ(SafeGetFileInfo("", 0, &again, sizeof again, SHGFI_ICON), first);
    EXPECT_EQ(list->GetImageCount(), 1);
}

TEST(SafeGetFileInfo, KnownFilesComeFromTheSystemLists)
{
    testsupport::TempDir dir;
    const std::string path = (dir / "notes.txt").string();
    std::ofstream(path) << "hello";

    SHFILEINFOA info;
    const std::uintptr_t r =
        SafeGetFileInfo(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME);
    EXPECT_EQ(ImageListFromResult(r), GetSystemImageList(true));
    EXPECT_FALSE(GetSystemImageList(true)->GetIcon(info.iIcon).isNull());
    EXPECT_FALSE(info.szTypeName.isEmpty());

    // By attributes only: the file need not exist, and a folder is a folder.
    SHFILEINFOA folder;
    EXPECT_EQ(SafeGetFileInfo("/nowhere/Pictures", FILE_ATTRIBUTE_DIRECTORY, &folder, sizeof folder,
                              SHGFI_USEFILEATTRIBUTES | SHGFI_ICON),
              1u);
    EXPECT_FALSE(folder.hIcon.isNull());
    EXPECT_EQ(folder.dwAttributes, FILE_ATTRIBUTE_DIRECTORY);
}
