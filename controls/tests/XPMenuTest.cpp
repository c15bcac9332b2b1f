// The owner-drawn popup menu: item drawing, the check mark's place and the item size.
#include "controls/CResourceLibrary.h"
#include "controls/CXPMenu.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace {

constexpr QRgb kPaper = 0xFF336699;
constexpr QRgb kSelection = 0xFFB0E0FE; // COLORREF 0xFEE0B0
constexpr QRgb kMarkInk = 0xFF800010;

// A 20 x 20 check bitmap on the selection colour with a 4 x 4 ink square in its middle.
QImage BigCheck()
{
    QImage img = SolidImage(20, 20, kSelection);
    QPainter(&img).fillRect(QRect(8, 8, 4, 4), QColor::fromRgb(kMarkInk));
    return img;
}

struct CheckOverride {
    CheckOverride() { CResourceLibrary::Instance().SetOverrideBitmap(CXPMenu::kCheckBitmap, BigCheck()); }
    ~CheckOverride() { CResourceLibrary::Instance().ClearOverrideBitmaps(); }
};

int Count(const QImage& img, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += (img.pixel(x, y) | 0xFF000000u) == colour;
    return n;
}

} // namespace

TEST(XPMenu, AnItemWithoutTextDrawsNothing)
{
    CXPMenu menu;
    QImage img = SolidImage(100, 19, kPaper);
    {
        QPainter p(&img);
        menu.DrawItem(&p, QRect(0, 0, 100, 19), true, true, nullptr);
    }
    EXPECT_EQ(Count(img, img.rect(), kPaper), 100 * 19);
}

TEST(XPMenu, SelectedCheckedItemShowsFrameBarAndMark)
{
    CheckOverride check;
    CXPMenu menu;
    const QRect R(0, 0, 100, 19);
    QImage img = SolidImage(100, 19, kPaper);
    const QString text = QStringLiteral("Deutsch");
    {
        QPainter p(&img);
        menu.DrawItem(&p, R, true, true, &text);
    }
    // The black frame on R's edges.
    EXPECT_EQ(Count(img, QRect(0, 0, 100, 1), 0xFF000000), 100);
    EXPECT_EQ(Count(img, QRect(0, 18, 100, 1), 0xFF000000), 100);
    EXPECT_EQ(Count(img, QRect(0, 0, 1, 19), 0xFF000000), 19);
    EXPECT_EQ(Count(img, QRect(99, 0, 1, 19), 0xFF000000), 19);
    EXPECT_EQ(Count(img, img.rect(), kPaper), 0);
    // The mark, scaled from 20 to 15 pixels, blends into the bar: only its ink shows in the check column.
    const QRect mark = CXPMenu::CheckMarkRect(R, QSize(20, 20), QSize(15, 15));
    EXPECT_EQ(mark, QRect(0, 2, 15, 15));
    const int ink = Count(img, mark, kMarkInk);
    EXPECT_GE(ink, 4);
    EXPECT_LE(ink, 9);
    EXPECT_EQ(ink + Count(img, mark.adjusted(1, 0, 0, 0), kSelection) + Count(img, QRect(0, 2, 1, 15), 0xFF000000),
              15 * 15);
    // Text from the check width on.
    EXPECT_LT(Count(img, QRect(15, 1, 84, 17), kSelection), 84 * 17);
}

TEST(XPMenu, PlainItemIsTheBackgroundAndItsText)
{
    CXPMenu menu;
    QImage img = SolidImage(100, 19, kPaper);
    const QString text = QStringLiteral("English");
    {
        QPainter p(&img);
        menu.DrawItem(&p, QRect(0, 0, 100, 19), false, false, &text);
    }
    EXPECT_EQ(Count(img, QRect(0, 0, 15, 19), 0xFFFFFFFF), 15 * 19); // no mark, no frame
    EXPECT_LT(Count(img, QRect(15, 0, 85, 19), 0xFFFFFFFF), 85 * 19);
    EXPECT_EQ(Count(img, img.rect(), kPaper), 0);
}

TEST(XPMenu, CheckMarkPlaceAndItemSize)
{
    const struct {
        QSize bitmap;
        QRect expected;
    } cases[] = {
        {{15, 15}, QRect(10, 22, 15, 15)},
        {{9, 7}, QRect(13, 26, 9, 7)},
        {{30, 10}, QRect(10, 24, 15, 10)}, // each direction capped separately
    };
    for (const auto& c : cases)
        EXPECT_EQ(CXPMenu::CheckMarkRect(QRect(10, 20, 120, 19), c.bitmap, QSize(15, 15)), c.expected);

    CXPMenu menu;
    const QString text = QStringLiteral("Japanese");
    const int textWidth = QFontMetrics(menu.font()).horizontalAdvance(text);
    EXPECT_EQ(menu.MeasureItem(&text), QSize(19 + textWidth + 15, 19));

    menu.AppendItem(1021, QStringLiteral("English"), true);
    menu.AppendItem(1022, QStringLiteral("Japanese"));
    menu.AppendItem(1023, std::nullopt);
    ASSERT_EQ(menu.actions().size(), 3);
    EXPECT_EQ(CXPMenu::CommandId(menu.actions()[1]), 1022u);
    EXPECT_TRUE(menu.actions()[0]->isChecked());
    menu.adjustSize();
    // Every item row is as tall as the menu size and as wide as the widest item.
    EXPECT_EQ(menu.actionGeometry(menu.actions()[1]).size(), QSize(19 + textWidth + 15, 19));
    EXPECT_EQ(menu.actionGeometry(menu.actions()[2]).top(), 38);
}

TEST(XPMenu, AnItemThatCannotBeChosenReadsGrey)
{
    CXPMenu menu;
    menu.AppendItem(1, QStringLiteral("Disk Image"))->setEnabled(false);
    menu.AppendItem(2, QStringLiteral("Open Disk Image"));
    menu.ensurePolished();
    menu.resize(menu.sizeHint());
    const QImage img = menu.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect disabled = menu.actionGeometry(menu.actions()[0]).adjusted(1, 1, -1, -1);
    const QRect enabled = menu.actionGeometry(menu.actions()[1]).adjusted(1, 1, -1, -1);
    EXPECT_EQ(Count(img, disabled, 0xFF000000), 0);
    EXPECT_GT(Count(img, enabled, 0xFF000000), 0);
}
