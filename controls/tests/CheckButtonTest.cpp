// The check button on a solid colour and the coloured progress bar.
#include "controls/CPublicPorgress.h"
#include "controls/CSearchSuperDlg.h"
#include "controls/CTransButton.h"
#include "controls/tests/ControlsTestSupport.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

int CountColour(const QImage& img, const QRect& area, QRgb colour)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += (img.pixel(x, y) | 0xFF000000u) == (colour | 0xFF000000u);
    return n;
}

} // namespace

TEST(TransButton, EachClickPostsOneCheckMessageToTheParent)
{
    MessageRecorder parent;
    parent.resize(300, 100);
    CTransButton box;
    box.Create(QStringLiteral("Show deleted files"), WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, QRect(5, 5, 200, 20),
               &parent, 1040);
    parent.show();

    const struct {
        int expectedCheck;
    } clicks[] = {{1}, {0}, {1}};
    for (const auto& c : clicks) {
        parent.messages.clear();
        QTest::mouseClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(7, 10));
        QCoreApplication::sendPostedEvents(&parent);
        ASSERT_EQ(parent.messages.size(), 1u);
        EXPECT_EQ(parent.messages[0].msg, UM_CHECK_CLICKED);
        EXPECT_EQ(parent.messages[0].wParam, WPARAM(c.expectedCheck));
        EXPECT_EQ(parent.messages[0].lParam, LPARAM(reinterpret_cast<std::intptr_t>(&box)));
        EXPECT_EQ(box.GetCheck(), c.expectedCheck);
    }

    // Automatic radio buttons: clicking the checked one keeps it checked and still reports the click.
    CTransButton a, b;
    a.Create(QStringLiteral("Disk"), WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, QRect(5, 30, 100, 20), &parent, 1);
    b.Create(QStringLiteral("Image"), WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, QRect(5, 55, 100, 20), &parent, 2);
    parent.messages.clear();
    QTest::mouseClick(&a, Qt::LeftButton, Qt::NoModifier, QPoint(7, 10));
    QTest::mouseClick(&b, Qt::LeftButton, Qt::NoModifier, QPoint(7, 10));
    QTest::mouseClick(&b, Qt::LeftButton, Qt::NoModifier, QPoint(7, 10));
    QCoreApplication::sendPostedEvents(&parent);
    ASSERT_EQ(parent.messages.size(), 3u);
    EXPECT_EQ(a.GetCheck(), 0);
    EXPECT_EQ(b.GetCheck(), 1);
    EXPECT_EQ(parent.messages[2].wParam, 1u);
}

TEST(TransButton, DrawStyleAndLayout)
{
    using K = CTransButton::FrameKind;
    EXPECT_EQ(CTransButton::FrameKindOf(BS_AUTOCHECKBOX), K::CheckBox);
    EXPECT_EQ(CTransButton::FrameKindOf(BS_AUTORADIOBUTTON), K::Radio);
    EXPECT_EQ(CTransButton::FrameKindOf(WS_CHILD | BS_AUTORADIOBUTTON), K::Radio);
    EXPECT_EQ(CTransButton::FrameKindOf(BS_PUSHBUTTON), K::CheckBox);

    const CTransButton::Layout l = CTransButton::LayoutFor(QRect(0, 0, 120, 20));
    EXPECT_EQ(l.frame, QRect(0, 0, 15, 20));
    EXPECT_EQ(l.text.left(), 19); // the text never overlaps the 15-pixel frame
    EXPECT_EQ(l.focus, QRect(18, 0, 102, 19));
    EXPECT_TRUE(l.frame.contains(l.box));
}

TEST(TransButton, PaintsItsColourTextAndFocusAsAsked)
{
    QWidget parent;
    CTransButton box;
    box.Create(QStringLiteral("A rather long text that cannot fit into the little button at all"),
               WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, QRect(0, 0, 140, 20), &parent, 1);
    box.SetBkColor(RGB(0x20, 0xC0, 0x40));
    box.SetTextFont(90, QStringLiteral("Arial"), true);
    const QImage img = box.grab().toImage();
    const int total = 140 * 20;
    const int background = CountColour(img, img.rect(), qRgb(0x20, 0xC0, 0x40));
    EXPECT_GT(background, total / 2);
    EXPECT_LT(background, total); // box and text drawn over it
    EXPECT_EQ(box.TextFont()->pixelSize(), 12);
    EXPECT_EQ(box.TextFont()->weight(), QFont::Bold);
    // The text is cut to the width with an ellipsis: the last columns stay background.
    EXPECT_EQ(CountColour(img, QRect(137, 0, 3, 20), qRgb(0x20, 0xC0, 0x40)), 60);

    // Focus rectangle only when asked for.
    parent.show();
    QApplication::setActiveWindow(&parent);
    box.setFocus();
    box.setText(QString());
    box.SetShowFocus(false);
    const int withoutFocusRect = CountColour(box.grab().toImage(), QRect(18, 0, 122, 20), qRgb(0x20, 0xC0, 0x40));
    EXPECT_EQ(withoutFocusRect, 122 * 20);
    ASSERT_TRUE(box.hasFocus());
    box.SetShowFocus(true);
    const int withFocusRect = CountColour(box.grab().toImage(), QRect(18, 0, 122, 20), qRgb(0x20, 0xC0, 0x40));
    EXPECT_LT(withFocusRect, 122 * 20);
}

TEST(PublicPorgress, ChoosesItsOwnBackgroundInADialog)
{
    CSearchSuperDlg dialog(501, nullptr);
    CPublicPorgress bar(&dialog);
    bar.setRange(0, 100);
    bar.setValue(0);
    bar.resize(200, 20);
    EXPECT_EQ(ToColorRef(bar.Brush().color()), 0xFDFCFBu);
    const QImage img = bar.grab().toImage();
    EXPECT_GT(CountColour(img, QRect(20, 5, 160, 10), qRgb(0xFB, 0xFC, 0xFD)), 160 * 10 / 2);

    QProgressBar plain(&dialog); // what the dialog's default colours would have given
    plain.setRange(0, 100);
    plain.resize(200, 20);
    EXPECT_EQ(CountColour(plain.grab().toImage(), QRect(20, 5, 160, 10), qRgb(0xFB, 0xFC, 0xFD)), 0);
}
